#!/usr/bin/python3
"""A small HTTPS server on 127.0.0.1 standing in for an Argo GDAC in Brinewick's tests.

Usage: gdac_test_server.py ROOT CERT KEY [normal|hostile]

Prints "PORT <n>" once it listens on a port the system picked, and exits when its
standard input closes (so it never outlives the test that started it).

ROOT/pub is the GDAC tree (index files, dac/...). It is served three ways:
- /gdac/...   folders as Apache-style index pages (sort links, absolute parent link);
- /simple/... folders as the plain link lists of Python's own server;
- /pub/...    objects of an S3 bucket, listed by GET /?list-type=2&prefix=...&delimiter=/
              with two keys a page, so listings follow continuation tokens.
Files honour If-Modified-Since. A file whose name starts with "cut" is announced whole
and cut off half way; one starting with "slow" trickles out; the bucket listing gives
files starting with "wrongsize" one byte more than they hold. Whether they exist or not,
a name starting with "stall" sends a netCDF signature and then a byte a second, one
starting with "huge" a netCDF signature and then zeros without end, and one starting
with "html" an HTML error page with status 200.

Mode "hostile" answers every folder page with names that try to leave the client's
folder, every bucket listing with a page that never ends, the compressed index with
damaged bytes, and the folder "endless" with a page that never ends.
"""
import html
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer

ROOT, CERT, KEY = sys.argv[1], sys.argv[2], sys.argv[3]
MODE = sys.argv[4] if len(sys.argv) > 4 else "normal"
TREE = os.path.join(ROOT, "pub")

HOSTILE_LINKS = [
    "../evil.nc", "..%2Fevil.nc", "%2e%2e/", "a/b.nc", "/etc/passwd", "..\\evil2.nc",
    "bad%01.nc", "https://elsewhere.example/x.nc", "?C=N;O=D", "ok.nc", "ok.nc", "sub/",
]


class Handler(SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True  # keep-alive requests would wait on delayed ACKs

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=TREE, **kwargs)

    def log_message(self, *args):
        pass

    def route(self):
        path = urllib.parse.urlsplit(self.path).path
        for prefix in ("/gdac", "/simple", "/pub"):
            if path == prefix or path.startswith(prefix + "/"):
                return prefix
        return ""

    def translate_path(self, path):
        prefix = self.route()
        return super().translate_path(path[len(prefix):] or "/")

    def send_page(self, body, code=200, ctype="text/html; charset=utf-8"):
        data = body.encode("utf-8")
        self.send_response(code)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        parts = urllib.parse.urlsplit(self.path)
        if parts.path == "/" and "list-type=2" in parts.query:
            return self.s3_listing(urllib.parse.parse_qs(parts.query))
        prefix = self.route()
        if not prefix:
            return self.send_error(404)
        local = self.translate_path(self.path)
        name = os.path.basename(local.rstrip("/"))
        if MODE == "hostile" and name == "endless":
            return self.endless_page()
        if os.path.isdir(local):
            if prefix == "/pub":
                return self.send_error(404)  # a bucket has no folders to fetch
            if not parts.path.endswith("/"):
                self.send_response(301)
                self.send_header("Location", parts.path + "/")
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if MODE == "hostile":
                return self.send_page("".join('<a href="%s">x</a>\n' % l for l in HOSTILE_LINKS))
            if prefix == "/simple":
                f = self.list_directory(local)
                if f:
                    self.copyfile(f, self.wfile)
                    f.close()
                return
            return self.apache_page(local, parts.path)
        if MODE == "hostile" and name.endswith(".txt.gz") and os.path.isfile(local):
            data = open(local, "rb").read()
            data = data[:20] + b"\x00garbage\xff" * 10 + data[40:]
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)
            return
        if name.startswith(("stall", "huge", "html")):
            return self.hostile_file(name)
        if name.startswith("cut") and os.path.isfile(local):
            data = open(local, "rb").read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data[: len(data) // 2])
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        if name.startswith("slow") and os.path.isfile(local):
            data = open(local, "rb").read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            for i in range(0, len(data), 4096):
                self.wfile.write(data[i:i + 4096])
                time.sleep(0.02)
            return
        return super().do_GET()

    def hostile_file(self, name):
        if name.startswith("html"):
            return self.send_page("<html><body><h1>Service unavailable</h1>\x1b[2J</body></html>\n")
        self.send_response(200)
        self.send_header("Content-Type", "application/x-netcdf")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        first = b"CDF\x01"
        try:
            if name.startswith("stall"):
                self.wfile.write(b"%x\r\n%s\r\n" % (len(first), first))
                while True:
                    self.wfile.flush()
                    time.sleep(1)
                    self.wfile.write(b"1\r\n\x00\r\n")
            chunk = first + bytes(65536 - len(first))
            frame = b"%x\r\n" % len(chunk) + chunk + b"\r\n"
            zeros = b"%x\r\n" % 65536 + bytes(65536) + b"\r\n"
            self.wfile.write(frame)
            while True:
                self.wfile.write(zeros)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, OSError):
            self.close_connection = True

    def apache_page(self, local, urlpath):
        rows = []
        for entry in sorted(os.listdir(local)):
            full = os.path.join(local, entry)
            slash = "/" if os.path.isdir(full) else ""
            size = "-" if slash else "%.1fK" % (os.path.getsize(full) / 1024)
            href = urllib.parse.quote(entry) + slash
            rows.append('<tr><td valign="top"><img src="/icons/folder.gif" alt="[DIR]"></td>'
                        '<td><a href="%s">%s</a></td><td align="right">2024-05-01 10:00  </td>'
                        '<td align="right">%s</td></tr>' % (href, html.escape(entry + slash), size))
        parent = os.path.dirname(urlpath.rstrip("/")) + "/"
        body = ("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<html><head><title>Index of %s</title>"
                "</head><body><h1>Index of %s</h1><table><tr><th><a href=\"?C=N;O=D\">Name</a></th>"
                "<th><a href=\"?C=M;O=A\">Last modified</a></th><th><a href=\"?C=S;O=A\">Size</a></th></tr>"
                "<tr><td><a href=\"%s\">Parent Directory</a></td></tr>\n%s\n</table>"
                "<address>Apache Server at 127.0.0.1</address></body></html>\n"
                % (urlpath, urlpath, parent, "\n".join(rows)))
        self.send_page(body)

    def endless_page(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        chunk = ("".join('<a href="f%06d.nc">f</a>\n' % i for i in range(2000))).encode()
        frame = b"%x\r\n" % len(chunk) + chunk + b"\r\n"
        try:
            while True:
                self.wfile.write(frame)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, OSError):
            self.close_connection = True

    def s3_listing(self, query):
        prefix = query.get("prefix", [""])[0]
        token = query.get("continuation-token", [""])[0]
        if MODE == "hostile":
            n = int(token or "0") + 1
            keys = "".join("<Contents><Key>%s</Key><Size>%d</Size></Contents>" % (html.escape(prefix + k), s)
                           for k, s in (("p%d.nc" % n, 5), ("../evil%d.nc" % n, 5), (prefix + "x/y.nc", 5)))
            body = ('<?xml version="1.0" encoding="UTF-8"?>\n<ListBucketResult><Prefix>%s</Prefix>%s'
                    "<IsTruncated>true</IsTruncated><NextContinuationToken>%d</NextContinuationToken>"
                    "</ListBucketResult>" % (html.escape(prefix), keys, n))
            return self.send_page(body, ctype="application/xml")
        # Every key below the prefix, folders cut at the next "/", two entries a page.
        entries = []
        base = os.path.join(ROOT, prefix)
        folder = base if prefix.endswith("/") or not prefix else os.path.dirname(base)
        if os.path.isdir(folder):
            for entry in sorted(os.listdir(folder)):
                key = prefix + entry
                full = os.path.join(folder, entry)
                if os.path.isdir(full):
                    entries.append(("<CommonPrefixes><Prefix>%s/</Prefix></CommonPrefixes>" % html.escape(key)))
                else:
                    entries.append("<Contents><Key>%s</Key><LastModified>2024-05-01T10:00:00.000Z</LastModified>"
                                   "<Size>%d</Size><StorageClass>STANDARD</StorageClass></Contents>"
                                   % (html.escape(key), os.path.getsize(full) + entry.startswith("wrongsize")))
        start = int(token) if token else 0
        page = entries[start:start + 2]
        more = start + 2 < len(entries)
        body = ('<?xml version="1.0" encoding="UTF-8"?>\n<ListBucketResult xmlns="http://s3.amazonaws.com/doc/2006-03-01/">'
                "<Name>argo-gdac-sandbox</Name><Prefix>%s</Prefix><KeyCount>%d</KeyCount><MaxKeys>2</MaxKeys>"
                "<Delimiter>/</Delimiter><IsTruncated>%s</IsTruncated>%s%s</ListBucketResult>"
                % (html.escape(prefix), len(page), "true" if more else "false", "".join(page),
                   "<NextContinuationToken>%d</NextContinuationToken>" % (start + 2) if more else ""))
        self.send_page(body, ctype="application/xml")


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(CERT, KEY)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    sys.stdin.read()
    os._exit(0)


if __name__ == "__main__":
    main()
