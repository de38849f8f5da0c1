#!/usr/bin/env python3
"""Checks the 32-bit Windows programs, which cannot run here, by their bytes.

usage: check_pe.py BUILD_DIR cli|gui [BANNER_PNG]

cli: BUILD_DIR's pindrel-cli.exe; gui: its Pindrel.exe. Both must be PE32 for
i386 of the right subsystem and import only from DLLs that every Windows has.
Pindrel.exe must also carry the common-controls 6 manifest, the version
resource, the application icon and the banner picture. Exits 77 (skipped)
when the program has not been built.
"""
import pathlib
import struct
import sys
import xml.etree.ElementTree as ET

SKIP = 77

# Windows' own DLLs. The C runtime is msvcrt (or the universal CRT's forwarders);
# anything else, above all libstdc++, libgcc or winpthread, would have to ship
# beside the program.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "ole32.dll",
    "oleaut32.dll", "shell32.dll", "msimg32.dll", "uxtheme.dll", "advapi32.dll",
    "comdlg32.dll", "shlwapi.dll", "msvcrt.dll", "ucrtbase.dll",
}

RT_ICON, RT_GROUP_ICON, RT_RCDATA, RT_VERSION, RT_MANIFEST = 3, 14, 10, 16, 24
IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEMS = {"gui": 2, "cli": 3}
COMCTL_TOKEN = "6595b64144ccf1df"


class Pe:
    def __init__(self, data):
        self.data = data
        (pe_off,) = struct.unpack_from("<I", data, 0x3C)
        if data[:2] != b"MZ" or data[pe_off:pe_off + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        coff = pe_off + 4
        self.machine, nsections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", data, coff)
        opt = coff + 20
        (self.magic,) = struct.unpack_from("<H", data, opt)
        if self.magic != PE32_MAGIC:
            return
        (self.subsystem,) = struct.unpack_from("<H", data, opt + 68)
        (ndirs,) = struct.unpack_from("<I", data, opt + 92)
        self.dirs = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        for i in range(nsections):
            s = opt + opt_size + 40 * i
            vsize, va, rsize, roff = struct.unpack_from("<IIII", data, s + 8)
            self.sections.append((va, max(vsize, rsize), roff, rsize))

    def offset(self, rva):
        for va, vsize, roff, rsize in self.sections:
            if va <= rva < va + vsize and rva - va < rsize:
                return roff + rva - va
        raise ValueError(f"RVA {rva:#x} is in no section")

    def cstring(self, off):
        end = self.data.index(b"\0", off)
        return self.data[off:end].decode("latin-1")

    def imported_dlls(self):
        rva, size = self.dirs[1]
        names = []
        off = self.offset(rva)
        while True:
            fields = struct.unpack_from("<IIIII", self.data, off)
            if not any(fields):
                return names
            names.append(self.cstring(self.offset(fields[3])))
            off += 20

    def resources(self):
        """{(type, name): [bytes of each language]} with ints or upper-case texts as keys."""
        rva, _ = self.dirs[2]
        if not rva:
            return {}
        base = self.offset(rva)

        def entries(dir_off):
            named, ids = struct.unpack_from("<HH", self.data, base + dir_off + 12)
            for i in range(named + ids):
                key, target = struct.unpack_from("<II", self.data, base + dir_off + 16 + 8 * i)
                if key & 0x80000000:
                    s = base + (key & 0x7FFFFFFF)
                    (n,) = struct.unpack_from("<H", self.data, s)
                    key = self.data[s + 2:s + 2 + 2 * n].decode("utf-16-le").upper()
                yield key, target

        found = {}
        # Windows stops at three levels: type, name, language.
        for rtype, t in entries(0):
            for name, n in entries(t & 0x7FFFFFFF):
                for _, leaf in entries(n & 0x7FFFFFFF):
                    data_rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    off = self.offset(data_rva)
                    found.setdefault((rtype, name), []).append(self.data[off:off + size])
        return found


def version_strings(block):
    """Walks a VS_VERSIONINFO tree: (fixed file info bytes, {key: text})."""
    strings, fixed = {}, None

    def walk(off, end, depth):
        nonlocal fixed
        while off + 6 <= end:
            length, value_len, vtype = struct.unpack_from("<HHH", block, off)
            if length < 6:
                return
            key_end = off + 6
            while block[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = block[off + 6:key_end].decode("utf-16-le")
            value = (key_end + 2 + 3) & ~3
            if key == "VS_VERSION_INFO":
                fixed = block[value:value + value_len]
            elif vtype == 1 and depth == 3:
                strings[key] = block[value:value + 2 * value_len].decode("utf-16-le").rstrip("\0")
            children = (value + (2 * value_len if vtype == 1 else value_len) + 3) & ~3
            walk(children, off + length, depth + 1)
            off = (off + length + 3) & ~3

    walk(0, len(block), 0)
    return fixed, strings


def check_manifest(text, problems):
    ns = {"a": "urn:schemas-microsoft-com:asm.v1"}
    root = ET.fromstring(text)
    own = root.find("a:assemblyIdentity", ns)
    if own is None or own.get("type") != "win32" or own.get("processorArchitecture") != "x86":
        problems.append("manifest: own identity is not type win32, architecture x86")
    wanted = {
        "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
        "processorArchitecture": "x86", "publicKeyToken": COMCTL_TOKEN, "language": "*",
    }
    deps = [d.attrib for d in root.findall("a:dependency/a:dependentAssembly/a:assemblyIdentity", ns)]
    if not any(all(d.get(k, "").lower() == v.lower() for k, v in wanted.items()) for d in deps):
        problems.append(f"manifest: no common-controls 6.0.0.0 dependency in {deps}")


def check_gui_resources(res, banner_png, problems):
    manifests = res.get((RT_MANIFEST, 1))
    if not manifests:
        problems.append("no RT_MANIFEST resource with id 1")
    else:
        check_manifest(manifests[0], problems)

    versions = res.get((RT_VERSION, 1))
    if not versions:
        problems.append("no version resource")
    else:
        fixed, strings = version_strings(versions[0])
        if not fixed or len(fixed) < 24 or struct.unpack_from("<I", fixed)[0] != 0xFEEF04BD:
            problems.append("version resource: no fixed file info")
        else:
            file_ms, file_ls, prod_ms, prod_ls = struct.unpack_from("<IIII", fixed, 8)
            if (file_ms, file_ls, prod_ms, prod_ls) != (0x10000, 0, 0x10000, 0):
                problems.append("version resource: file or product version is not 1.0.0.0")
        if strings.get("ProductName") != "Pindrel":
            problems.append(f"version resource: ProductName is {strings.get('ProductName')!r}")

    groups = res.get((RT_GROUP_ICON, "DEFAULT_ICON"))
    if not groups:
        problems.append("no group icon DEFAULT_ICON")
    else:
        g = groups[0]
        _, _, count = struct.unpack_from("<HHH", g, 0)
        entries = [struct.unpack_from("<BBBBHHIH", g, 6 + 14 * i) for i in range(count)]
        if [(e[0], e[1], e[5]) for e in entries] != [(32, 32, 32)]:
            problems.append(f"DEFAULT_ICON: images {entries}, wanted one 32x32 at 32 bits")

    banners = res.get((RT_RCDATA, "BANNER"))
    if not banners:
        problems.append("no RCDATA resource BANNER")
    elif banner_png and banners[0] != pathlib.Path(banner_png).read_bytes():
        problems.append("RCDATA BANNER differs from resources/banner.png")


def main():
    build, kind = pathlib.Path(sys.argv[1]), sys.argv[2]
    banner_png = sys.argv[3] if len(sys.argv) > 3 else None
    name = {"cli": "pindrel-cli.exe", "gui": "Pindrel.exe"}[kind]
    found = [p for p in build.rglob(name) if "CMakeFiles" not in p.parts]
    if not found:
        print(f"{name} not built in {build}; skipped")
        return SKIP
    exe = found[0]
    pe = Pe(exe.read_bytes())
    problems = []
    if pe.machine != IMAGE_FILE_MACHINE_I386:
        problems.append(f"machine {pe.machine:#x}, wanted i386")
    if pe.magic != PE32_MAGIC:
        problems.append(f"optional header magic {pe.magic:#x}, wanted PE32")
    else:
        if pe.subsystem != SUBSYSTEMS[kind]:
            problems.append(f"subsystem {pe.subsystem}, wanted {SUBSYSTEMS[kind]}")
        dlls = pe.imported_dlls()
        foreign = [d for d in dlls if d.lower() not in SYSTEM_DLLS and not d.lower().startswith("api-ms-win-crt-")]
        if foreign:
            problems.append(f"imports from DLLs that are not Windows' own: {foreign}")
        if kind == "gui":
            check_gui_resources(pe.resources(), banner_png, problems)
    for p in problems:
        print(f"{exe}: {p}")
    if not problems:
        print(f"{exe}: PE32 i386, subsystem {pe.subsystem}, imports {', '.join(pe.imported_dlls())}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
