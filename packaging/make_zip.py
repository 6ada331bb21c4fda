#!/usr/bin/env python3
"""Packs every file under FOLDER into the zip OUTPUT, the same bytes from the
same files: python3 make_zip.py OUTPUT FOLDER

Members in sorted order, each stamped with SOURCE_DATE_EPOCH (UTC; without
it 1980-01-01, the earliest time a zip can hold), mode 644 and no extra
fields. Zip tools otherwise store the files' access and change times, the
packer's uid and gid, and a local time; and the modes would follow the umask
(nothing here needs the executable bit: Windows and browsers ignore it).
"""

import os
import sys
import time
import zipfile

ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC


def main(output, folder):
    stamp = max(int(os.environ.get("SOURCE_DATE_EPOCH") or ZIP_EPOCH), ZIP_EPOCH)
    date_time = time.gmtime(stamp)[:6]
    names = sorted(os.path.relpath(os.path.join(root, name), folder).replace(os.sep, "/")
                   for root, _, files in os.walk(folder) for name in files)
    with zipfile.ZipFile(output + ".part", "w") as archive:
        for name in names:
            member = zipfile.ZipInfo(name, date_time)
            member.create_system = 3  # Unix, so that the mode below is read
            member.external_attr = 0o100644 << 16
            member.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(member, source.read(), compresslevel=9)
    os.replace(output + ".part", output)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: make_zip.py OUTPUT FOLDER")
    main(sys.argv[1], sys.argv[2])
