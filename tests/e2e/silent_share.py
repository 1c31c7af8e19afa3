#!/usr/bin/python3
"""silent_share.py MOUNTPOINT: a file system that plays a network share that
stopped answering. It holds one regular file, "stuck.jpg" (100 KB), whose
reads never return until the file system is unmounted. Runs in the
foreground; prints "mounted" once it is in place and "reading" whenever a
read arrives. Only SIGKILL ends it; the kernel then fails the reads that
wait."""

import errno
import os
import stat
import sys
import threading
import time

import fusepy

NAME = "/stuck.jpg"
SIZE = 100 * 1024


class SilentShare(fusepy.Operations):
    def __init__(self):
        self.released = threading.Event()

    def getattr(self, path, fh=None):
        now = time.time()
        if path == "/":
            return {"st_mode": stat.S_IFDIR | 0o755, "st_nlink": 2, "st_ctime": now, "st_mtime": now, "st_atime": now}
        if path == NAME:
            return {"st_mode": stat.S_IFREG | 0o644, "st_nlink": 1, "st_size": SIZE,
                    "st_ctime": now, "st_mtime": now, "st_atime": now}
        raise fusepy.FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        return [".", "..", NAME[1:]]

    def open(self, path, flags):
        return 0

    def read(self, path, size, offset, fh):
        # The server is gone: the answer never comes.
        print("reading", flush=True)
        self.released.wait()
        raise fusepy.FuseOSError(errno.EIO)

    def init(self, path):
        print("mounted", flush=True)


if __name__ == "__main__":
    mountpoint = sys.argv[1]
    os.makedirs(mountpoint, exist_ok=True)
    fusepy.FUSE(SilentShare(), mountpoint, foreground=True, nothreads=False, direct_io=True)
