#!/usr/bin/env python3
"""A read-only drive that answers every request only after a set delay, but for the mount point's
own attributes (see --slow-root).

It stands in for an unreachable network share or an optical drive spinning up, so the benchmarks
can show that Corvane keeps answering while one drive is slow. It speaks FUSE straight over
/dev/fuse (no libfuse to install) and so must run as root.

    slowfs.py MOUNTPOINT [--delay SECONDS] [--interruptible] [--slow-root]

It serves until SIGTERM or SIGINT, then detaches the mount. The mount is usable once /proc/mounts
lists it as fuse.slowfs: wait for that rather than for anything that looks inside it.

Mount it in a mount namespace of its own (unshare -m), with the Wine session that uses it, its
wineserver included: Wine programs of every prefix stat each mount point listed in /etc/mtab to
name a volume, so a slow mount seen machine-wide slows every Wine program on the machine.
"""
import argparse
import ctypes
import errno
import os
import signal
import struct
import threading
import time

LOOKUP, FORGET, GETATTR, READLINK, OPEN, READ, STATFS = 1, 2, 3, 5, 14, 15, 17
GETXATTR, LISTXATTR, INIT, OPENDIR, READDIR, ACCESS = 22, 23, 26, 27, 28, 34
INTERRUPT, DESTROY, BATCH_FORGET, STATX = 36, 38, 42, 52
# Closing and syncing succeed, however slowly: there is nothing to write back.
CLOSES = {18, 20, 25, 29, 30}  # RELEASE, FSYNC, FLUSH, RELEASEDIR, FSYNCDIR
# SETATTR, SYMLINK, MKNOD, MKDIR, UNLINK, RMDIR, RENAME, LINK, WRITE, SETXATTR, REMOVEXATTR,
# CREATE, FALLOCATE, RENAME2, COPY_FILE_RANGE, TMPFILE
WRITES = {4, 6, 8, 9, 10, 11, 12, 13, 16, 21, 24, 35, 43, 45, 47, 51}
# Without it the kernel lets only one lookup or listing at a time into a folder.
PARALLEL_DIROPS = 1 << 18
DT_DIR, DT_REG = 4, 8

# inode: (name, parent inode); inode 1 is the root by FUSE's rule.
NODES = {1: ("", 1), 2: ("Games", 1), 3: ("Slow", 2), 4: ("readme.txt", 3)}
FILES = {4: b"Every request to this drive waits before it is answered.\r\n"}
STARTED = int(time.time())

libc = ctypes.CDLL(None, use_errno=True)


def children(ino):
    return [c for c, (_, parent) in NODES.items() if parent == ino and c != 1]


def attr(ino):
    if ino in FILES:
        mode, size, nlink = 0o100444, len(FILES[ino]), 1
    else:
        mode, size, nlink = 0o40555, 0, 2 + sum(c not in FILES for c in children(ino))
    return struct.pack("<6Q10I", ino, size, (size + 511) // 512, STARTED, STARTED, STARTED,
                       0, 0, 0, mode, nlink, 0, 0, 0, 4096, 0)


def listing(ino, offset, size):
    entries = [(ino, ".", DT_DIR), (NODES[ino][1], "..", DT_DIR)]
    entries += [(c, NODES[c][0], DT_REG if c in FILES else DT_DIR) for c in children(ino)]
    out = b""
    for i in range(offset, len(entries)):
        child, name, kind = entries[i]
        raw = name.encode()
        record = struct.pack("<QQII", child, i + 1, len(raw), kind) + raw
        record += b"\0" * (-len(record) % 8)
        if len(out) + len(record) > size:
            break
        out += record
    return out


def answer(op, ino, body):
    """Returns (errno, reply data). Zero timeouts everywhere: the kernel must ask every time."""
    if op == LOOKUP:
        name = body.split(b"\0")[0].decode(errors="replace")
        for child in children(ino):
            if NODES[child][0] == name:
                return 0, struct.pack("<4Q2I", child, 0, 0, 0, 0, 0) + attr(child)
        return errno.ENOENT, b""
    if op == GETATTR:
        return 0, struct.pack("<Q2I", 0, 0, 0) + attr(ino)
    if op in (OPEN, OPENDIR):
        (flags,) = struct.unpack_from("<I", body)
        return (errno.EROFS, b"") if flags & os.O_ACCMODE else (0, struct.pack("<Q2I", 0, 0, 0))
    if op in (READ, READDIR):
        _, offset, size = struct.unpack_from("<QQI", body)
        if op == READ:
            return 0, FILES[ino][offset:offset + size]
        return 0, listing(ino, offset, size)
    if op == STATFS:
        # 1 GiB, half of it free.
        return 0, struct.pack("<5Q4I24x", 262144, 131072, 131072, 1024, 1020, 4096, 255, 4096, 0)
    if op == ACCESS:
        (mask,) = struct.unpack_from("<I", body)
        return (errno.EROFS if mask & os.W_OK else 0), b""
    # ENOSYS would make the kernel stop asking for extended attributes, so say there are none.
    if op == GETXATTR:
        return errno.ENODATA, b""
    if op == LISTXATTR:
        (size,) = struct.unpack_from("<I", body)
        return 0, struct.pack("<2I", 0, 0) if size == 0 else b""
    if op in CLOSES:
        return 0, b""
    if op in WRITES:
        return errno.EROFS, b""
    # Locks, poll and seeks with holes are the kernel's own business once it hears ENOSYS.
    return (errno.EINVAL if op == READLINK else errno.ENOSYS), b""


def reply(fd, unique, error=0, data=b""):
    try:
        os.write(fd, struct.pack("<IiQ", 16 + len(data), -error, unique) + data)
    except OSError:
        pass  # the caller is gone (killed, or the mount aborted): nobody waits for this answer


def init_reply(body):
    _, minor, readahead, flags = struct.unpack_from("<4I", body)
    # major, minor, max_readahead, flags, max_background, congestion_threshold, max_write,
    # time_gran, max_pages, map_alignment, flags2, max_stack_depth
    return struct.pack("<4I2H2I2H2I24x", 7, min(minor, 31), readahead, flags & PARALLEL_DIROPS,
                       16, 12, 4096, 1, 0, 0, 0, 0)


def serve(fd, delay, interruptible, slow_root):
    pending = {}

    def one(unique, op, ino, body, interrupted):
        if interrupted.wait(delay):
            reply(fd, unique, errno.EINTR)
        else:
            reply(fd, unique, *answer(op, ino, body))
        pending.pop(unique, None)

    while True:
        try:
            message = os.read(fd, 1 << 17)  # more than any request: writes are at most 4 KiB
        except OSError as e:
            if e.errno == errno.ENOENT:
                continue  # the caller withdrew its request before we read it
            if e.errno == errno.ENODEV:
                return  # unmounted
            raise
        length, op, unique, ino = struct.unpack_from("<IIQQ", message)
        body = message[40:length]
        if op == INIT:
            reply(fd, unique, 0, init_reply(body))
        elif op == INTERRUPT:
            # Read by this thread only after the request it names was registered below.
            interrupted = pending.get(struct.unpack_from("<Q", body)[0])
            if interruptible and interrupted:
                interrupted.set()
        elif op == DESTROY:
            reply(fd, unique)
            return
        elif op == STATX:
            reply(fd, unique, errno.ENOSYS)  # at once: the kernel then asks GETATTR, for good
        elif op == GETATTR and ino == 1 and not slow_root:
            reply(fd, unique, *answer(op, ino, body))
        elif op not in (FORGET, BATCH_FORGET):  # a fixed tree keeps no lookup counts
            interrupted = pending[unique] = threading.Event()
            worker = threading.Thread(target=one, args=(unique, op, ino, body, interrupted))
            worker.daemon = True
            worker.start()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("mountpoint")
    parser.add_argument("--delay", type=float, default=3.0, help="seconds each request waits")
    parser.add_argument("--interruptible", action="store_true",
                        help="a caller that gets a signal is answered at once with EINTR; by "
                             "default it waits out the delay, as on a hard-mounted network share")
    parser.add_argument("--slow-root", action="store_true",
                        help="the mount point's own attributes wait too; by default they come at once, "
                             "because Wine reads them for every path it converts, and a slow answer "
                             "holds up the start of every program in the prefix, whatever it does")
    args = parser.parse_args()
    mountpoint = os.path.abspath(args.mountpoint).encode()
    stop = {signal.SIGINT, signal.SIGTERM}
    # Blocked in every thread from here on, so that no signal can come between mounting and the
    # wait that unmounts.
    signal.pthread_sigmask(signal.SIG_BLOCK, stop)
    fd = os.open("/dev/fuse", os.O_RDWR)
    options = f"fd={fd},rootmode=40000,user_id=0,group_id=0,allow_other".encode()
    if libc.mount(b"slowfs", mountpoint, b"fuse.slowfs", 6, options):  # MS_NOSUID | MS_NODEV
        raise OSError(ctypes.get_errno(), "mount failed", args.mountpoint)

    def serve_then_stop():
        try:
            serve(fd, args.delay, args.interruptible, args.slow_root)
        finally:
            os.kill(os.getpid(), signal.SIGTERM)  # unmounted from elsewhere, or failed: end

    threading.Thread(target=serve_then_stop, daemon=True).start()
    signal.sigwait(stop)
    # Detached, so that callers still inside the mount do not keep it busy; ending this process
    # then closes /dev/fuse, which fails their pending requests at once.
    libc.umount2(mountpoint, 2)  # MNT_DETACH


if __name__ == "__main__":
    main()
