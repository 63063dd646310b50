#!/usr/bin/env python3
# Pages on three loopback hosts (127.0.0.1, .2 and .3, one port): every page answers at once, except that
# with "push" the third host answers 429 with Retry-After: 1 to the first request of every third of its
# pages. Every request is logged to LOG as "seconds host path status", for the bench to count tries.
#   push-back-server.py PORT LOG quiet|push
import http.server, sys, threading, time

port, log_path, mode = int(sys.argv[1]), sys.argv[2], sys.argv[3]
log = open(log_path, 'a', buffering=1)
seen = {}
lock = threading.Lock()

class Page(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def do_GET(self):
        host = self.server.server_address[0]
        key = (host, self.path)
        with lock:
            seen[key] = seen.get(key, 0) + 1
            first = seen[key] == 1
        number = int(''.join(c for c in self.path if c.isdigit()) or 0)
        push = mode == 'push' and host == '127.0.0.3' and first and number % 3 == 0
        status = 429 if push else 200
        body = (b'<html><body><p>slow down</p></body></html>' if push else
                ('<html><body><h1>%s page %d</h1><p>first line of %s%s</p><p>second line</p></body></html>'
                 % (host, number, host, self.path)).encode())
        self.send_response(status)
        if push:
            self.send_header('Retry-After', '1')
        self.send_header('Content-Type', 'text/html; charset=utf-8')
        self.send_header('Content-Length', str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        log.write('%.3f %s %s %d\n' % (time.time(), host, self.path, status))

    def log_message(self, *args):
        pass

servers = [http.server.ThreadingHTTPServer((h, port), Page) for h in ('127.0.0.1', '127.0.0.2', '127.0.0.3')]
for s in servers[1:]:
    threading.Thread(target=s.serve_forever, daemon=True).start()
servers[0].serve_forever()
