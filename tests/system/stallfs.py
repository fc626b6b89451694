"""A passthrough FUSE file system that can be made to stop answering, as a dead network share does.

    /usr/bin/python3 stallfs.py SOURCE MOUNTPOINT CONTROL

Every call is passed on to SOURCE. While CONTROL/all exists, getattr, readdir, open and read wait
(the whole share hangs); while CONTROL/read-NAME exists, reads of the file NAME wait (one file
never arrives). The test starts it, and ends it by PID and unmounts with `umount -l`.
"""

import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class StallFS(Operations):
    def __init__(self, source, control):
        self.source = source
        self.control = control

    def _wait(self, *flags):
        while any(os.path.exists(os.path.join(self.control, f)) for f in flags):
            time.sleep(0.05)

    def _real(self, path):
        return os.path.join(self.source, path.lstrip("/"))

    def getattr(self, path, fh=None):
        self._wait("all")
        try:
            st = os.lstat(self._real(path))
        except OSError as e:
            raise FuseOSError(e.errno)
        return {k: getattr(st, k) for k in ("st_mode", "st_nlink", "st_size", "st_uid", "st_gid",
                                             "st_atime", "st_mtime", "st_ctime")}

    def readdir(self, path, fh):
        self._wait("all")
        return [".", ".."] + os.listdir(self._real(path))

    def open(self, path, flags):
        self._wait("all")
        try:
            return os.open(self._real(path), flags & ~(os.O_CREAT | os.O_TRUNC))
        except OSError as e:
            raise FuseOSError(e.errno)

    def read(self, path, size, offset, fh):
        self._wait("all", "read-" + os.path.basename(path))
        os.lseek(fh, offset, os.SEEK_SET)
        return os.read(fh, size)

    def release(self, path, fh):
        os.close(fh)
        return 0

    def access(self, path, amode):
        if not os.access(self._real(path), amode):
            raise FuseOSError(errno.EACCES)
        return 0


if __name__ == "__main__":
    source, mountpoint, control = sys.argv[1:4]
    FUSE(StallFS(source, control), mountpoint, foreground=True, nothreads=False, ro=True,
         direct_io=True)
