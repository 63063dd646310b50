#!/usr/bin/env python3
"""Pages for bench/failing-list.sh on 127.0.0.1: /okN.html answers a small page at once, /missN.html 404,
/emptyN.html 204 No Content, /slowN.html only after 30 s (past any page time limit of the run), /fileN.html
a download (Content-Disposition: attachment). Usage: failing-server.py PORT"""
import http.server
import socketserver
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.0'

    def log_message(self, *args):
        pass

    def page(self, status, body=b'', headers=()):
        self.send_response(status)
        self.send_header('Content-Type', 'text/html; charset=utf-8')
        for name, value in headers:
            self.send_header(name, value)
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        name = self.path.rsplit('/', 1)[-1]
        kind = name.rstrip('0123456789.html')
        body = ('<html><body><h1>%s</h1><p>First line</p>'
                "<script>document.write('<p>Written %s</p>')</script></body></html>" % (name, name)).encode()
        if kind == 'ok':
            self.page(200, body)
        elif kind == 'miss':
            self.page(404, b'<html><body>not found</body></html>')
        elif kind == 'empty':
            self.send_response(204)
            self.end_headers()
        elif kind == 'slow':
            time.sleep(30)
        elif kind == 'file':
            self.page(200, body, [('Content-Disposition', 'attachment; filename="x.html"')])
        else:
            self.page(404)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    request_queue_size = 128


Server(('127.0.0.1', int(sys.argv[1])), Handler).serve_forever()
