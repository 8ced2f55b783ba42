#!/usr/bin/env python3
"""Writes a tree shaped like an installation to be archived: a Java runtime (jars, native
libraries, executables), C headers and HTML documentation; about 1 GiB in about 14,000 files.
The same seed always gives the same tree."""
import os
import random
import sys

MiB = 1 << 20


def binary(rng, size):
    # Jars and libraries barely compress; random bytes behave the same for a stored archive.
    return rng.randbytes(size)


def header(rng, size):
    lines = []
    n = 0
    while n < size:
        name = "tk_%s_%d" % (rng.choice(["stream", "buffer", "node", "table", "codec"]), rng.randrange(10000))
        line = "extern int %s(const struct %s_ctx *ctx, size_t len); /* %d */\n" % (name, name, n)
        lines.append(line)
        n += len(line)
    return "".join(lines)[:size].encode()


def html(rng, size):
    parts = ["<!DOCTYPE html>\n<html><head><title>Class %d</title></head><body>\n" % rng.randrange(99999)]
    n = len(parts[0])
    while n < size:
        row = '<tr><td class="col"><a href="m%d.html">method%d</a></td><td>Returns the value.</td></tr>\n' % (
            rng.randrange(1000), rng.randrange(1000))
        parts.append(row)
        n += len(row)
    return "".join(parts)[:size].encode()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(root):
    rng = random.Random(20240506)
    # Java runtime: 240 jars and native files, 256 KiB to 24 MiB, about 700 MiB in all.
    for i in range(240):
        size = int(min(24 * MiB, max(256 << 10, rng.lognormvariate(14.4, 1.0))))
        folder = rng.choice(["lib", "lib/ext", "bin", "lib/server", "jmods", "lib/security"])
        ext = rng.choice([".jar", ".jar", ".dll", ".jmod", ".exe"])
        write(os.path.join(root, "jre", folder, "part%03d%s" % (i, ext)), binary(rng, size))
    # C headers: 4,200 files of 1 to 40 KiB.
    for i in range(4200):
        folder = "include/%s/%s" % (rng.choice(["net", "io", "util", "crypto", "xml"]), rng.randrange(40))
        write(os.path.join(root, folder, "h%04d.h" % i), header(rng, rng.randrange(1 << 10, 40 << 10)))
    # Documentation: 9,500 pages of 2 to 50 KiB.
    for i in range(9500):
        folder = "docs/api/%s/%s" % (rng.choice(["java", "javax", "org", "com"]), rng.randrange(120))
        write(os.path.join(root, folder, "Class%04d.html" % i), html(rng, rng.randrange(2 << 10, 50 << 10)))


if __name__ == "__main__":
    main(sys.argv[1])
