#!/usr/bin/env python3
"""A small HTTP server for the real-window tests, on 127.0.0.1 and a port
of its own choosing, which it writes to the file named by its argument.
"/" and "/here" are taken (200 OK), "/slow" answers only after a minute,
"/late" is taken after 6 seconds, everything else is 404 Not Found."""
import http.server
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/slow":
            time.sleep(60)
        if self.path == "/late":
            time.sleep(6)
        self.send_response(200 if self.path in ("/", "/here", "/late") else 404)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w") as port_file:
    port_file.write(str(server.server_address[1]))
server.serve_forever()
