#!/usr/bin/env python3
"""Serves two page sets on 127.0.0.1 for bench/late-content.sh.

/script/N.html   a page whose content its script fetches: "Loading..." until /data/N answers, 100 to 800 ms
                 after the page asked (half of the pages wait on a timer first, then fetch).
/real/N.html     a page like a saved news article or blog post: text, navigation, three pictures, a web font
                 and an advertising frame from other hosts (img.cdn.example.test, fonts.example.test,
                 ads.example.test), and on every second page a comment count its own script fetches.
/listed/N.html   an article whose third-party scripts come from hosts that EasyList or EasyPrivacy block (a tag
                 manager that loads an ad server's script, which writes a sponsored line; an analytics script;
                 every third page a measurement script) and from library hosts on neither list (a jsDelivr
                 script that writes "Share story N", a cdnjs one that writes "Related to story N").

Any request for another host than 127.0.0.1 is answered only after THIRD_PARTY_MS (3000 by default), as an
unreachable or slow third-party host would be. Those hosts reach this server through Chromium's
--proxy-server (a request line with an absolute address; loopback addresses never go through a proxy) or
through a host mapping (the Host header).
Usage: late-server.py PORT [THIRD_PARTY_MS]
       late-server.py --expected-script PAGES PORT   (prints what the script-built pages show when complete)"""
import http.server
import json
import socketserver
import sys
import time
from urllib.parse import urlsplit

THIRD_PARTY = (int(sys.argv[2]) if len(sys.argv) > 2 else 3000) / 1000.0
GIF = (b'GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00'
       b',\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;')
WORDS = ('harbour council budget river school market weather station bridge library festival '
         'railway museum garden tower ferry clinic theatre').split()


def script_rows(n):
    return ['%s row %d of item %d' % (WORDS[(n + k) % len(WORDS)], k + 1, n) for k in range(3)]


def script_delay(n):
    return 100 + (n * 137) % 701


def script_page(n):
    d = script_delay(n)
    # Odd pages wait on a timer for half of the delay and then fetch; even pages fetch at once.
    start = ('setTimeout(load, %d);' % (d // 2)) if n % 2 else 'load();'
    return ('<!doctype html><html><head><title>Item %d</title></head><body><h1>Catalogue item %d</h1>'
            '<div id=app>Loading...</div><script>'
            'function load() { fetch("/data/%d?ms=%d").then(r => r.json()).then(rows => {'
            ' const app = document.getElementById("app"); app.textContent = "";'
            ' for (const row of rows) { const p = document.createElement("p"); p.textContent = row; app.append(p); }'
            '}); }'
            'addEventListener("load", () => { %s });'
            '</script></body></html>') % (n, n, n, d // 2 if n % 2 else d, start)


def real_page(n, port):
    third = 'http://%%s.example.test:%d' % port
    w = lambda k: WORDS[(n + k) % len(WORDS)]
    paragraphs = ''.join('<p>The %s %s report, part %d of story %d, says the %s plan goes ahead.</p>'
                         % (w(k), w(k + 3), k + 1, n, w(k + 5)) for k in range(6))
    pictures = ''.join('<figure><img src="%s/photo/%d-%d.jpg" width=640 height=360 alt="">'
                       '<figcaption>Picture %d of story %d</figcaption></figure>'
                       % (third % 'img.cdn', n, k, k + 1, n) for k in range(3))
    comments = ('<p id=comments>Comments</p><script src="/app.js?n=%d"></script>' % n) if n % 2 == 0 else ''
    return ('<!doctype html><html><head><title>Story %d</title>'
            '<link rel=stylesheet href="/site.css">'
            '<style>@font-face { font-family: Brand; src: url("%s/brand.woff2") format("woff2"); }'
            'h1 { font-family: Brand, serif; }</style></head><body>'
            '<nav><a href="/">Home</a> <a href="/news">News</a> <a href="/sport">Sport</a></nav>'
            '<h1>Story %d: the %s and the %s</h1>%s%s'
            '<aside><iframe src="%s/slot?story=%d" width=300 height=250></iframe><p>Most read</p></aside>'
            '%s<footer>Printed by the %s Gazette</footer></body></html>'
            % (n, third % 'fonts', n, w(0), w(1), paragraphs, pictures, third % 'ads', n, comments, w(2)))


def listed_page(n):
    w = lambda k: WORDS[(n + k) % len(WORDS)]
    paragraphs = ''.join('<p>The %s %s report, part %d of story %d, says the %s plan goes ahead.</p>'
                         % (w(k), w(k + 3), k + 1, n, w(k + 5)) for k in range(6))
    scripts = ['http://www.googletagmanager.com/gtm.js?id=GTM-%d' % n,
               'http://www.google-analytics.com/analytics.js',
               'http://cdn.jsdelivr.net/npm/share-buttons@2/share.js',
               'http://cdnjs.cloudflare.com/ajax/libs/related/1.0/related.js']
    if n % 3 == 0:
        scripts.append('http://sb.scorecardresearch.com/beacon.js')
    # Each page's own address of each script: the engine makes requests for one address wait for each other
    # while none of them may be cached.
    scripts = [src + ('&' if '?' in src else '?') + 'story=%d' % n for src in scripts]
    return ('<!doctype html><html><head><title>Story %d</title></head><body data-story=%d>'
            '<h1>Story %d: the %s and the %s</h1>%s<div id=share></div><div id=related></div><div id=slot></div>'
            '%s<footer>Printed by the %s Gazette</footer></body></html>'
            % (n, n, n, w(0), w(1), paragraphs,
               ''.join('<script src="%s"></script>' % src for src in scripts), w(2)))


# What the third-party scripts of /listed/ pages do.
STORY = 'document.body.dataset.story'
LISTED_JS = {
    '/gtm.js': 'var s = document.createElement("script");'
               ' s.src = "http://securepubads.g.doubleclick.net/tag/js/gpt.js?story=" + %s; document.head.append(s);' % STORY,
    '/tag/js/gpt.js': 'document.getElementById("slot").textContent = "Sponsored: win a cruise, story " + %s;' % STORY,
    '/analytics.js': 'window.ga = function () {};',
    '/beacon.js': 'window.COMSCORE = {};',
    '/npm/share-buttons@2/share.js': 'document.getElementById("share").textContent = "Share story " + %s;' % STORY,
    '/ajax/libs/related/1.0/related.js':
        'document.getElementById("related").textContent = "Related to story " + %s;' % STORY,
}

APP_JS = ('fetch("/data/comments?n=" + new URL(document.currentScript.src).searchParams.get("n"))'
          '.then(r => r.json()).then(c => {'
          ' document.getElementById("comments").textContent = "Comments (" + c + ")"; });')


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def reply(self, body, kind='text/html; charset=utf-8', status=200):
        if isinstance(body, str):
            body = body.encode()
        self.send_response(status)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Cache-Control', 'no-store')
        self.send_header('Access-Control-Allow-Origin', '*')
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        parts = urlsplit(self.path)
        host = (parts.hostname or self.headers.get('Host', '').rsplit(':', 1)[0]).lower()
        path, query = parts.path, dict(p.split('=', 1) for p in parts.query.split('&') if '=' in p)
        try:
            if host and host != '127.0.0.1':
                time.sleep(THIRD_PARTY)
                if path in LISTED_JS:
                    return self.reply(LISTED_JS[path], 'text/javascript')
                if path.startswith('/photo/'):
                    return self.reply(GIF, 'image/gif')
                if path.endswith('.woff2'):
                    return self.reply(b'\0' * 64, 'font/woff2')
                return self.reply('<!doctype html><p>Advertisement</p>')
            name = path.rsplit('/', 1)[-1]
            if path.startswith('/script/') and name.endswith('.html'):
                return self.reply(script_page(int(name[:-5])))
            if path.startswith('/listed/') and name.endswith('.html'):
                return self.reply(listed_page(int(name[:-5])))
            if path.startswith('/real/') and name.endswith('.html'):
                return self.reply(real_page(int(name[:-5]), self.server.server_address[1]))
            if path == '/site.css':
                return self.reply('nav a { margin-right: 1em } aside { float: right }', 'text/css')
            if path == '/app.js':
                return self.reply(APP_JS, 'text/javascript')
            if path == '/data/comments':
                time.sleep(0.2)
                return self.reply(str(int(query.get('n', '0')) * 3 % 40), 'application/json')
            if path.startswith('/data/'):
                n = int(name)
                time.sleep(int(query.get('ms', '0')) / 1000.0)
                return self.reply('[%s]' % ','.join('"%s"' % r for r in script_rows(n)), 'application/json')
            self.reply('not here', 'text/plain', 404)
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    request_queue_size = 256


if sys.argv[1] == '--expected-script':
    # The whole text of the script-built pages 1..PAGES at 127.0.0.1:PORT, as jsonl rows.
    pages, port = int(sys.argv[2]), sys.argv[3]
    for n in range(1, pages + 1):
        for text in ['Catalogue item %d' % n] + script_rows(n):
            print(json.dumps({'source': '127.0.0.1:%s/script/%d.html' % (port, n), 'text': text}))
else:
    Server(('127.0.0.1', int(sys.argv[1])), Handler).serve_forever()
