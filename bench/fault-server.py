#!/usr/bin/env python3
"""Pages that misbehave, served on 127.0.0.1 for bench/fault-pages.sh: a script that never returns, one
that starts looping after the load, a page that reloads itself, one that allocates without end, one that
drips a byte a second, one that never answers, and large pages (/big?n=LINES of paragraphs,
/pre?n=LINES of preformatted text)."""
import http.server, socketserver, time, sys
PAGES = {
 '/ok1': b'<html><body><p>ok one</p></body></html>',
 '/ok2': b'<html><body><p>ok two</p></body></html>',
 '/ok3': b'<html><body><p>ok three</p></body></html>',
 '/busy': b'<html><body><p>before</p><script>while(true){}</script></body></html>',
 '/busyafter': b'<html><body><p>loaded then busy</p><script>setTimeout(function(){while(true){}},0)</script></body></html>',
 '/reload': b'<html><head><meta http-equiv="refresh" content="0"></head><body><p>reloading</p></body></html>',
 '/jsreload': b'<html><body><p>js reloading</p><script>onload=function(){location.reload()}</script></body></html>',
 '/oom': b'<html><body><p>oom</p><script>var a=[];while(true){a.push(new Array(1e6).fill(Math.random()))}</script></body></html>',
}
class H(http.server.BaseHTTPRequestHandler):
    protocol_version='HTTP/1.0'
    def log_message(self,*a): pass
    def do_GET(self):
        p=self.path
        if p=='/drip':
            self.send_response(200); self.send_header('Content-Type','text/html'); self.end_headers()
            try:
                self.wfile.write(b'<html><body><p>drip</p>'); self.wfile.flush()
                for i in range(200):
                    time.sleep(1); self.wfile.write(b'x'); self.wfile.flush()
            except Exception: pass
            return
        if p=='/never':
            time.sleep(300); return
        if p.startswith('/pre'):
            n=int(p.split('=')[1])
            body=b'<html><body><pre>\n' + b''.join(b'line %d of a very large page with some words in it\n'%i for i in range(n)) + b'</pre></body></html>'
            self.send_response(200); self.send_header('Content-Type','text/html'); self.send_header('Content-Length',str(len(body))); self.end_headers(); self.wfile.write(body); return
        if p.startswith('/big'):
            n=int(p.split('=')[1]) if '=' in p else 1000000
            body=b'<html><body>\n' + b''.join(b'<p>line %d of a very large page with some words in it</p>\n'%i for i in range(n)) + b'</body></html>'
            self.send_response(200); self.send_header('Content-Type','text/html'); self.send_header('Content-Length',str(len(body))); self.end_headers(); self.wfile.write(body); return
        b=PAGES.get(p)
        if b is None:
            self.send_response(404); self.end_headers(); return
        self.send_response(200); self.send_header('Content-Type','text/html'); self.send_header('Content-Length',str(len(b))); self.end_headers(); self.wfile.write(b)
class S(socketserver.ThreadingMixIn, http.server.HTTPServer): daemon_threads=True
S(('127.0.0.1', int(sys.argv[1])), H).serve_forever()
