#!/usr/bin/env python3
"""Pages built like live sites, on 127.0.0.1, for bench/live-patterns.sh.

  /tick/N.html  a static article that carries one or two kinds of work that never ends: a poll that changes
                nothing, a clock, a consent tool's parked script, a ticker redrawn on every frame, a carousel
  /late/N.html  an article whose last lines are fetched 100-800 ms after load, by the page itself, a worker,
                an idle callback or a frame it adds, and which also carries one kind of ticking work

  live-server.py PORT                       serves them
  live-server.py --expected SET PAGES PORT  prints, as JSON lines {source, text}, every line each page ends
                                            with (ticking lines aside), for comparing what was read
"""
import http.server
import json
import socketserver
import sys
import time

TICKING = ["poll", "clock", "parked", "ticker", "carousel"]
SNIPPETS = {
    "poll": "<script>window.seen = 0; setInterval(function () { window.seen++; }, 100);</script>",
    "clock": "<p id=clock>clock 0</p><script>var c = 0; setInterval(function () {"
             " document.getElementById('clock').textContent = 'clock ' + (++c); }, 1000);</script>",
    "parked": "<script>addEventListener('load', function () { var s = document.createElement('script');"
              " s.type = 'text/plain'; s.setAttribute('data-consent', 'analytics'); s.src = '/analytics.js';"
              " document.body.appendChild(s); });</script>",
    "ticker": "<p id=tick>tick 0</p><script>var t = 0; function tk() {"
              " document.getElementById('tick').textContent = 'tick ' + (++t % 10); requestAnimationFrame(tk); }"
              " requestAnimationFrame(tk);</script>",
    "carousel": "<p id=slide>slide 0</p><script>var s = 0; setInterval(function () {"
                " document.getElementById('slide').textContent = 'slide ' + (++s % 4); }, 3000);</script>",
}
# Lines that ticking work rewrites: what they say depends on when a page is read.
TICKING_LINE = r"^(clock|tick|slide) \d+$"
WAYS = ["page", "worker", "idle", "frame"]


def ticking_of(kind, n):
    first = TICKING[n % len(TICKING)]
    if kind == "late" or n % 2 == 0:
        return [first]
    return [first, TICKING[(n * 3 + 1) % len(TICKING)]]


def article(n):
    return [f"Article {n}"] + [f"Paragraph {k} of article {n} says something worth reading." for k in range(1, 6)]


def late_lines(n):
    return [f"Late line {k} of article {n}" for k in range(1, 4)]


def delay_ms(n):
    return 100 + (n * 137) % 701


def page(kind, n):
    head, *paragraphs = article(n)
    body = f"<h1>{head}</h1>" + "".join(f"<p>{p}</p>" for p in paragraphs)
    if kind == "late":
        way = WAYS[n % len(WAYS)]
        show = "function (rows) { var d = document.getElementById('late'); rows.forEach(function (r) {" \
               " var p = document.createElement('p'); p.textContent = r; d.appendChild(p); }); }"
        fetch = f"fetch('/data/{n}').then(function (r) {{ return r.json(); }}).then({show})"
        start = {
            "page": fetch,
            "worker": f"new Worker('/worker.js?n={n}').onmessage = function (e) {{ ({show})(e.data); }}",
            "idle": f"requestIdleCallback(function () {{ {fetch}; }})",
            "frame": "var f = document.createElement('iframe'); f.style.display = 'none';"
                     f" document.body.appendChild(f); f.contentWindow.{fetch}",
        }[way]
        body += f"<div id=late></div><script>addEventListener('load', function () {{ {start}; }});</script>"
    body += "".join(SNIPPETS[t] for t in ticking_of(kind, n))
    return f"<!DOCTYPE html><html><head><title>{kind} {n}</title></head><body>{body}</body></html>"


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send(self, body, content_type):
        data = body.encode()
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        path, _, query = self.path.partition("?")
        try:
            if path.startswith(("/tick/", "/late/")) and path.endswith(".html"):
                kind, name = path[1:].split("/")
                return self.send(page(kind, int(name[:-5])), "text/html; charset=utf-8")
            if path.startswith("/data/"):
                n = int(path[6:])
                time.sleep(delay_ms(n) / 1000)
                return self.send(json.dumps(late_lines(n)), "application/json")
            if path == "/worker.js":
                n = int(query.split("=")[1])
                return self.send(f"fetch('/data/{n}').then(function (r) {{ return r.json(); }})"
                                 ".then(function (rows) { postMessage(rows); });", "text/javascript")
        except (ValueError, IndexError):
            pass
        self.send_response(404)
        self.send_header("Content-Length", "0")
        self.end_headers()


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    request_queue_size = 128


if __name__ == "__main__":
    if sys.argv[1] == "--expected":
        kind, pages, port = sys.argv[2], int(sys.argv[3]), sys.argv[4]
        for n in range(1, pages + 1):
            for text in article(n) + (late_lines(n) if kind == "late" else []):
                print(json.dumps({"source": f"127.0.0.1:{port}/{kind}/{n}.html", "text": text}))
    else:
        Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
