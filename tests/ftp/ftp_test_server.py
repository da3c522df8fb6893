#!/usr/bin/python3
"""A small anonymous, read-only FTP server on 127.0.0.1 for Brinewick's tests.

Usage: ftp_test_server.py ROOT [normal|nomlsd|hostile]

Prints "PORT <n>" once it listens on a port the system picked, and exits when its
standard input closes (so it never outlives the test that started it).

Besides serving ROOT it has a few behaviours tests rely on:
- a CWD into any directory named "locked" is refused;
- a RETR of a file whose name starts with "cut" sends half of the file and then
  reports success (the SIZE reply still gives the full size);
- a RETR of a file whose name starts with "slow" trickles out at about 200 KB/s;
- a RETR of a file whose name starts with "stall" sends 4 KB and then the whole
  server hangs;
- mode "nomlsd" hides MLSD/MLST so clients fall back to LIST;
- mode "hostile" answers every listing with names that try to leave the client's
  save folder, and every RETR with the bytes "EVIL".
"""
import os
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, proto_cmds
from pyftpdlib.servers import FTPServer

MODE = sys.argv[2] if len(sys.argv) > 2 else "normal"

HOSTILE_LIST = [
    "-rw-r--r--   1 ftp ftp 4 Jan 01  2024 ../evil.nc",
    "-rw-r--r--   1 ftp ftp 4 Jan 01  2024 a/b.nc",
    "-rw-r--r--   1 ftp ftp 4 Jan 01  2024 ..",
    "-rw-r--r--   1 ftp ftp 4 Jan 01  2024 ..\\evil2.nc",
    "-rw-r--r--   1 ftp ftp 4 Jan 01  2024 /tmp/abs.nc",
    "-rw-r--r--   1 ftp ftp 4 Jan 01  2024 bad\x01.nc",
    "drwxr-xr-x   2 ftp ftp 4096 Jan 01  2024 ..",
    "drwxr-xr-x   2 ftp ftp 4096 Jan 01  2024 .",
    "-rw-r--r--   1 ftp ftp 4 Jan 01  2024 ok.nc",
]


class PartialFile:
    """Reads only the first half of a file, as if the transfer broke off."""

    def __init__(self, fd):
        self.fd = fd
        self.left = os.fstat(fd.fileno()).st_size // 2
        self.name = fd.name
        self.closed = False

    def read(self, n):
        data = self.fd.read(min(n, self.left))
        self.left -= len(data)
        return data

    def close(self):
        self.closed = True
        self.fd.close()


class SlowProducer:
    def __init__(self, fd):
        self.fd = fd
        self.file = fd  # pyftpdlib reads the transfer offset from here

    def more(self):
        time.sleep(0.02)
        return self.fd.read(4096)


class StallProducer:
    """Sends one chunk, then stops answering altogether, like a hung server."""

    def __init__(self, fd):
        self.fd = fd
        self.sent = False

    def more(self):
        if self.sent:
            time.sleep(3600)
        self.sent = True
        return self.fd.read(4096)


class TestHandler(FTPHandler):
    timeout = 30
    use_sendfile = False  # sendfile would bypass the producers below

    def ftp_SIZE(self, path):
        if MODE == "hostile":
            self.respond("213 4")
            return
        return FTPHandler.ftp_SIZE(self, path)

    def ftp_CWD(self, path):
        if os.path.basename(path.rstrip("/")) == "locked":
            self.respond("550 No access.")
            return
        return FTPHandler.ftp_CWD(self, path)

    def ftp_LIST(self, path):
        if MODE != "hostile":
            return FTPHandler.ftp_LIST(self, path)
        data = "".join(line + "\r\n" for line in HOSTILE_LIST)
        self.push_dtp_data(data.encode("utf-8", "surrogateescape"), cmd="LIST")
        return path

    def ftp_RETR(self, file):
        base = os.path.basename(file)
        if MODE == "hostile":
            self.push_dtp_data(b"EVIL", cmd="RETR")
            return file
        if base.startswith(("cut", "slow", "stall")):
            try:
                fd = open(file, "rb")
            except OSError as err:
                self.respond("550 %s." % err.strerror)
                return
            if base.startswith("cut"):
                self.push_dtp_data(PartialFile(fd).read(1 << 30), cmd="RETR")
                fd.close()
            elif base.startswith("stall"):
                self.push_dtp_data(StallProducer(fd), isproducer=True, file=fd, cmd="RETR")
            else:
                self.push_dtp_data(SlowProducer(fd), isproducer=True, file=fd, cmd="RETR")
            return file
        return FTPHandler.ftp_RETR(self, file)


def main():
    root = sys.argv[1]
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root, perm="elr")
    TestHandler.authorizer = authorizer
    TestHandler.banner = "Brinewick test server"
    TestHandler.passive_ports = None
    if MODE in ("nomlsd", "hostile"):
        TestHandler.proto_cmds = {k: v for k, v in proto_cmds.items() if k not in ("MLSD", "MLST")}
    server = FTPServer(("127.0.0.1", 0), TestHandler)
    server.max_cons = 16

    def watch_stdin():
        sys.stdin.read()
        os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(timeout=0.2)


if __name__ == "__main__":
    import logging
    logging.basicConfig(level=logging.WARNING)
    main()
