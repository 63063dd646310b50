#!/usr/bin/env python3
"""Pages built the way current sites compose what a person sees, on 127.0.0.1, for bench/composed-pages.sh.

  /shadow/N.html    web components: a card whose heading is in its open shadow root and whose body is
                    slotted into it, a comment thread written into a shadow root, components in components
  /frame/N.html     an article with a frame of its own site (itself holding a frame), and one of another
                    origin whose text is not the page's
  /frameset/N.html  a frameset of a menu and a body frame
  /sentinel/N.html  a long article whose last section is fetched when a sentinel at its bottom comes into view
  /middle/N.html    a long article whose middle sections are fetched as each comes into view
  /append/N.html    a list that fetches more items three times as its end comes into view, then stops
  /endless/N.html   a list that fetches more items every time its end comes into view, for ever
  /refresh/N.html   "Redirecting..." that moves on to its article by <meta http-equiv=refresh content=1>
  /long/N.html      a static article of about 25 views with nothing lazy, for what scrolling costs where it
                    brings nothing
  /sticky/N.html    the same article with a scroll listener that pins its header: scrolled to its end

  composed-server.py PORT                       serves them (the other origin on PORT + 1)
  composed-server.py --expected SET PAGES PORT  prints, as JSON lines {source, text}, every line a person
                                                sees on each page once it is scrolled to its end
"""
import http.server
import json
import socketserver
import sys
import threading

SETS = ["shadow", "frame", "frameset", "sentinel", "middle", "append", "endless", "refresh", "long", "sticky"]


def article(n, name, paragraphs):
    return [f"{name} article {n}"] + [f"{name} {n} paragraph {i}: " + "words of the article " * 12
                                      for i in range(paragraphs)]


def page(title, body):
    return f"<!doctype html><html><head><meta charset=utf-8><title>{title}</title></head><body>{body}</body></html>"


def paragraphs(lines):
    return "".join(f"<p>{line}</p>" for line in lines)


CARD = """<script>
customElements.define('x-card', class extends HTMLElement {
  connectedCallback() { this.attachShadow({mode: 'open'}).innerHTML =
    '<style>h3 { color: navy }</style><h3>' + this.getAttribute('heading') + '</h3><slot></slot>'; }
});
customElements.define('x-comments', class extends HTMLElement {
  connectedCallback() { var root = this.attachShadow({mode: 'open'}), n = this.getAttribute('n');
    root.innerHTML = '<ul>' + [1, 2, 3].map(function (i) { return '<li>comment ' + i + ' on ' + n + '</li>'; }).join('') +
      '</ul><x-card heading="replies to ' + n + '"><p>a reply inside a card inside a thread</p></x-card>'; }
});
</script>"""

# Fetches /more/SET/N/K (K = 0, 1, ...) each time the sentinel comes into view and appends its lines; the list
# stops when an answer is empty.
FEED = """<div id=feed></div><div id=sentinel style="height:1px"></div><script>
var k = 0, busy = false;
new IntersectionObserver(function (entries) {
  if (!entries[entries.length - 1].isIntersecting || busy) return;
  busy = true;
  fetch('/more/%s/%d/' + k++).then(function (r) { return r.text(); }).then(function (t) {
    if (!t) return;
    t.split('\\n').forEach(function (line) { var p = document.createElement('p'); p.textContent = line;
      document.getElementById('feed').appendChild(p); });
    busy = false;
  });
}).observe(document.getElementById('sentinel'));
</script>"""

MIDDLE = """<script>
var lazy = new IntersectionObserver(function (entries) {
  entries.forEach(function (entry) {
    if (!entry.isIntersecting || entry.target.dataset.done) return;
    entry.target.dataset.done = 1;
    fetch(entry.target.dataset.src).then(function (r) { return r.text(); }).then(function (t) {
      entry.target.textContent = t; });
  });
});
document.querySelectorAll('[data-src]').forEach(function (section) { lazy.observe(section); });
</script>"""


def more_lines(kind, n, k):
    if kind == "append" and k >= 3:
        return []
    if kind == "sentinel" and k >= 1:
        return []
    return [f"{kind} {n} item {k * 5 + i}" for i in range(5)]


def build(kind, n, port):
    """The page's HTML and every line a person sees on it."""
    if kind == "shadow":
        lines = [f"components {n}", f"card heading {n}", f"the card's own text {n}",
                 f"comment 1 on {n}", f"comment 2 on {n}", f"comment 3 on {n}", f"replies to {n}",
                 "a reply inside a card inside a thread", f"after the components {n}"]
        body = (CARD + f"<h1>components {n}</h1><x-card heading='card heading {n}'><p>the card's own text {n}</p>"
                f"</x-card><x-comments n='{n}'></x-comments><p>after the components {n}</p>")
        return page(f"shadow {n}", body), lines
    if kind == "frame":
        lines = [f"framed article {n}", f"frame text {n}", f"inner frame text {n}", f"after the frames {n}"]
        body = (f"<h1>framed article {n}</h1><iframe src='/part/frame/{n}'></iframe>"
                f"<iframe src='http://127.0.0.1:{port + 1}/other/{n}'></iframe><p>after the frames {n}</p>")
        return page(f"frame {n}", body), lines
    if kind == "frameset":
        lines = [f"menu {n}", f"frameset body {n}"]
        html = (f"<!doctype html><html><head><title>frameset {n}</title></head><frameset cols='20%,80%'>"
                f"<frame src='/part/menu/{n}'><frame src='/part/body/{n}'>"
                "<noframes>no frames</noframes></frameset></html>")
        return html, lines
    if kind in ("sentinel", "append", "endless"):
        top = article(n, kind, 30)
        lines = top[:]
        if kind != "endless":
            k = 0
            while more_lines(kind, n, k):
                lines += more_lines(kind, n, k)
                k += 1
        return page(f"{kind} {n}", paragraphs(top) + FEED % (kind, n)), lines
    if kind == "middle":
        top = article(n, kind, 10)
        body = paragraphs(top)
        lines = top[:]
        for s in range(4):
            body += f"<section data-src='/section/{n}/{s}' style='min-height:40px'></section>"
            body += paragraphs([f"middle {n} filler {s}.{i}: " + "text between sections " * 10 for i in range(8)])
            lines += [f"middle {n} section {s} came into view"]
            lines += [f"middle {n} filler {s}.{i}: " + "text between sections " * 10 for i in range(8)]
        return page(f"middle {n}", body + MIDDLE), lines
    if kind == "refresh":
        html = (f"<!doctype html><html><head><meta http-equiv='refresh' content='1;url=/target/{n}'>"
                "<title>moving</title></head><body><p>Redirecting...</p></body></html>")
        return html, [f"refreshed article {n}", f"the article the refresh led to {n}"]
    if kind in ("long", "sticky"):
        lines = article(n, kind, 340)
        sticky = ("<script>addEventListener('scroll', function () {"
                  " document.body.classList.toggle('pinned', scrollY > 100); });</script>")
        return page(f"{kind} {n}", paragraphs(lines) + (sticky if kind == "sticky" else "")), lines
    raise KeyError(kind)


def strip(lines):
    return [line.strip() for line in lines]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def send(self, body, kind="text/html; charset=utf-8"):
        data = body.encode()
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        parts = self.path.strip("/").split("/")
        port = self.server.server_address[1]
        try:
            if parts[0] == "other":
                return self.send(page("other", "<p>another origin's frame</p>"))
            if parts[0] == "more":
                return self.send("\n".join(more_lines(parts[1], int(parts[2]), int(parts[3]))), "text/plain")
            if parts[0] == "section":
                return self.send(f"middle {parts[1]} section {parts[2]} came into view", "text/plain")
            if parts[0] == "target":
                n = parts[1]
                return self.send(page("article", f"<h1>refreshed article {n}</h1><p>the article the refresh led to {n}</p>"))
            if parts[0] == "part":
                what, n = parts[1], parts[2]
                if what == "frame":
                    return self.send(page("frame", f"<p>frame text {n}</p><iframe src='/part/inner/{n}'></iframe>"))
                if what == "inner":
                    return self.send(page("inner", f"<p>inner frame text {n}</p>"))
                if what == "menu":
                    return self.send(page("menu", f"<p>menu {n}</p>"))
                if what == "body":
                    return self.send(page("body", f"<p>frameset body {n}</p>"))
            kind, name = parts
            html, _ = build(kind, int(name.split(".")[0]), port)
            return self.send(html)
        except (KeyError, ValueError, IndexError):
            self.send_error(404)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    if sys.argv[1] == "--expected":
        kind, pages, port = sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
        for n in range(1, pages + 1):
            for line in strip(build(kind, n, port)[1]):
                print(json.dumps({"source": f"127.0.0.1:{port}/{kind}/{n}.html", "text": line}))
        return
    port = int(sys.argv[1])
    other = Server(("127.0.0.1", port + 1), Handler)
    threading.Thread(target=other.serve_forever, daemon=True).start()
    Server(("127.0.0.1", port), Handler).serve_forever()


if __name__ == "__main__":
    main()
