#!/usr/bin/env python3
"""Checks what the shipped install.exe carries: a 32-bit i386 GUI program with an "asInvoker"
manifest and a version resource, importing nothing but Windows' own DLLs.

Usage: check_pe.py path/to/install.exe
Prints one line per check and exits 1 when any fails.
"""
import struct
import sys

# Windows' own DLLs that the installer may import; anything else would have to ship beside it.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "advapi32.dll", "winspool.drv", "msvcrt.dll",
    "ntdll.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "ucrtbase.dll",
}
SYSTEM_PREFIXES = ("api-ms-win-",)

RT_VERSION = 16
RT_MANIFEST = 24


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, nsections, _, _, _, optsize, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(16)]
        self.sections = []
        sec = opt + optsize
        for i in range(nsections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, sec + 40 * i)
            self.sections.append((va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("RVA %#x outside every section" % rva)

    def cstr(self, rva):
        off = self.offset(rva)
        return self.data[off:self.data.index(b"\0", off)].decode("ascii", "replace")

    def imports(self):
        rva, size = self.dirs[1]
        names = []
        off = self.offset(rva) if rva else None
        while off is not None:
            desc = struct.unpack_from("<IIIII", self.data, off)
            if desc == (0, 0, 0, 0, 0):
                break
            names.append(self.cstr(desc[3]))
            off += 20
        return names

    def resources(self):
        """(type, name, language) -> bytes, for every resource."""
        rva, _ = self.dirs[2]
        if not rva:
            return {}
        base = self.offset(rva)
        found = {}

        def walk(dir_off, path):
            n_named, n_ids = struct.unpack_from("<HH", self.data, dir_off + 12)
            for i in range(n_named + n_ids):
                ident, target = struct.unpack_from("<II", self.data, dir_off + 16 + 8 * i)
                key = path + (ident if not ident & 0x80000000 else "named",)
                if target & 0x80000000:
                    walk(base + (target & 0x7FFFFFFF), key)
                else:
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
                    off = self.offset(data_rva)
                    found[key] = self.data[off:off + data_size]

        walk(base, ())
        return found


def main():
    path = sys.argv[1]
    with open(path, "rb") as f:
        pe = Pe(f.read())
    failures = []

    def check(ok, what):
        print(("ok    " if ok else "FAIL  ") + what)
        if not ok:
            failures.append(what)

    check(pe.machine == 0x14C, "machine is i386 (0x14c), found %#x" % pe.machine)
    check(pe.magic == 0x10B, "optional header is PE32 (0x10b), found %#x" % pe.magic)
    check(pe.subsystem == 2, "subsystem is Windows GUI (2), found %d" % pe.subsystem)

    imports = pe.imports()
    foreign = [n for n in imports
               if n.lower() not in SYSTEM_DLLS and not n.lower().startswith(SYSTEM_PREFIXES)]
    check(bool(imports) and not foreign,
          "imports only Windows DLLs: %s%s" % (", ".join(imports),
                                               "; not system: " + ", ".join(foreign) if foreign else ""))

    res = pe.resources()
    manifests = [v for k, v in res.items() if k[0] == RT_MANIFEST and k[1] == 1]
    manifest = manifests[0].decode("utf-8", "replace") if manifests else ""
    check('level="asInvoker"' in manifest and 'uiAccess="false"' in manifest,
          "process manifest (id 1) requests asInvoker without UI access")

    versions = [v for k, v in res.items() if k[0] == RT_VERSION]
    text = versions[0].decode("utf-16-le", "replace") if versions else ""
    check(bool(versions) and "VS_VERSION_INFO" in text, "version resource present")
    if versions:
        fixed = versions[0].find(struct.pack("<I", 0xFEEF04BD))
        fv = struct.unpack_from("<IIII", versions[0], fixed + 8) if fixed >= 0 else (0, 0, 0, 0)
        check(fixed >= 0 and fv != (0, 0, 0, 0),
              "fixed file and product version set: %d.%d.%d.%d" %
              (fv[0] >> 16, fv[0] & 0xFFFF, fv[1] >> 16, fv[1] & 0xFFFF))
    for field in ("FileDescription", "FileVersion", "ProductVersion", "ProductName"):
        check(field in text, "version string %s present" % field)

    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
