#!/usr/bin/env python3
"""Serves /pageN.html on 127.0.0.1 for bench/run-pages.sh: small pages whose text a script writes, each
answered after DELAY milliseconds. Usage: page-server.py PORT DELAY_MS"""
import http.server
import socketserver
import sys
import time

DELAY = int(sys.argv[2]) / 1000.0


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.0'

    def log_message(self, *args):
        pass

    def do_GET(self):
        name = self.path.rsplit('/', 1)[-1]
        if not (name.startswith('page') and name.endswith('.html') and name[4:-5].isdigit()):
            self.send_response(404)
            self.end_headers()
            return
        i = name[4:-5]
        body = ('<html><body><h1>Page %s</h1><p>First line</p><p>Line %s</p>'
                "<script>document.write('<p>Written ' + %s + '</p>')</script></body></html>" % (i, i, i)).encode()
        if DELAY:
            time.sleep(DELAY)
        self.send_response(200)
        self.send_header('Content-Type', 'text/html; charset=utf-8')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    request_queue_size = 64


Server(('127.0.0.1', int(sys.argv[1])), Handler).serve_forever()
