"""Writes an archive again so that its bytes depend on its files alone: the
entries in name order, every one dated EPOCH, modes 0644 or 0755, no owner.
A .zip keeps its deflated entries; a .tar.gz is a plain tar in a gzip stream
with no name and the same date.

usage: normalize_archive.py EPOCH ARCHIVE
"""
import gzip
import io
import os
import sys
import tarfile
import time
import zipfile

ZIP_FLOOR = 315532800  # 1980-01-01, the first date a ZIP entry can hold


def mode_of(mode, is_dir):
    return 0o755 if is_dir or mode & 0o111 else 0o644


def normalize_zip(path, epoch):
    date = time.gmtime(max(epoch, ZIP_FLOOR))[:6]
    with zipfile.ZipFile(path) as old:
        entries = sorted((info.filename, info.external_attr >> 16, info.is_dir(),
                          b"" if info.is_dir() else old.read(info)) for info in old.infolist())
    with zipfile.ZipFile(path + ".new", "w") as new:
        for name, mode, is_dir, data in entries:
            info = zipfile.ZipInfo(name, date)
            info.create_system = 3  # Unix: the mode below is read
            info.external_attr = ((0o040000 if is_dir else 0o100000) | mode_of(mode, is_dir)) << 16
            if is_dir:
                info.external_attr |= 0x10  # MS-DOS directory bit
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
            new.writestr(info, data)
    os.replace(path + ".new", path)


def normalize_tar_gz(path, epoch):
    out = io.BytesIO()
    with tarfile.open(path) as old, tarfile.open(fileobj=out, mode="w", format=tarfile.GNU_FORMAT) as new:
        for member in sorted(old.getmembers(), key=lambda member: member.name):
            data = old.extractfile(member) if member.isfile() else None
            member.mtime = epoch
            member.uid = member.gid = 0
            member.uname = member.gname = ""
            if not member.issym():
                member.mode = mode_of(member.mode, member.isdir())
            new.addfile(member, data)
    with open(path + ".new", "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=epoch) as stream:
            stream.write(out.getvalue())
    os.replace(path + ".new", path)


def main(epoch, path):
    if path.endswith(".zip"):
        normalize_zip(path, int(epoch))
    elif path.endswith((".tar.gz", ".tgz")):
        normalize_tar_gz(path, int(epoch))
    else:
        raise SystemExit("%s: neither .zip nor .tar.gz" % path)
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
