#!/usr/bin/env python3
"""Lists the resources of a Windows program file (PE32 or PE32+).

Prints every resource (type, name, language, size) and decodes the ones this program
carries: icon groups (their GRPICONDIRENTRY fields), icon images (the DIB header or a PNG
signature), the version record (fixed fields and strings) and the manifest (its text).

Usage: python3 tools/list_resources.py [--json] program.exe

Also importable: read_resources(path) returns Resource records, and decode_group_icon,
decode_icon_image and decode_version turn their data into dictionaries.
"""

import json
import struct
import sys
from dataclasses import dataclass

RT_NAMES = {
    1: "RT_CURSOR", 2: "RT_BITMAP", 3: "RT_ICON", 4: "RT_MENU", 5: "RT_DIALOG",
    6: "RT_STRING", 9: "RT_ACCELERATOR", 10: "RT_RCDATA", 12: "RT_GROUP_CURSOR",
    14: "RT_GROUP_ICON", 16: "RT_VERSION", 24: "RT_MANIFEST",
}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
IMPORT_DIRECTORY_INDEX, RESOURCE_DIRECTORY_INDEX = 1, 2
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


@dataclass
class Resource:
    type: object  # int id or str name
    name: object  # int id or str name
    lang: int
    codepage: int
    data: bytes


# ----------------------------------------------------------------------------- PE walking


class PeImage:
    def __init__(self, blob):
        self.blob = blob
        if blob[:2] != b"MZ":
            raise ValueError("not an MZ/PE file")
        pe = struct.unpack_from("<I", blob, 0x3C)[0]
        if blob[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, opt_size = struct.unpack_from("<H12xH", blob, pe + 4 + 2)
        opt = pe + 24
        self.machine, self.timestamp = struct.unpack_from("<H2xI", blob, pe + 4)
        self.magic = magic = struct.unpack_from("<H", blob, opt)[0]  # 0x10B PE32, 0x20B PE32+
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", blob, opt + 68)
        dirs = opt + (96 if magic == 0x10B else 112)
        self.import_rva = struct.unpack_from("<I", blob, dirs + 8 * IMPORT_DIRECTORY_INDEX)[0]
        self.rsrc_rva, self.rsrc_size = struct.unpack_from(
            "<II", blob, dirs + 8 * RESOURCE_DIRECTORY_INDEX)
        table = opt + opt_size
        self.sections = [struct.unpack_from("<8sIIII", blob, table + 40 * k)
                         for k in range(sections)]

    def offset_of(self, rva):
        for _name, vsize, vaddr, raw_size, raw_ptr in self.sections:
            if vaddr <= rva < vaddr + max(vsize, raw_size):
                return raw_ptr + rva - vaddr
        raise ValueError(f"RVA 0x{rva:x} lies in no section")

    def read_rva(self, rva, size):
        start = self.offset_of(rva)
        return self.blob[start:start + size]

    def imported_dlls(self):
        """The names of the DLLs the import directory names, in its order."""
        names, at = [], self.offset_of(self.import_rva) if self.import_rva else None
        while at is not None and any(struct.unpack_from("<5I", self.blob, at)):
            start = self.offset_of(struct.unpack_from("<I", self.blob, at + 12)[0])
            names.append(self.blob[start:self.blob.index(b"\0", start)].decode("ascii"))
            at += 20
        return names


def directory_entries(blob, base, offset):
    """Yields (id-or-name, is_directory, target offset) for one resource directory."""
    named, ids = struct.unpack_from("<12xHH", blob, base + offset)
    for k in range(named + ids):
        name, target = struct.unpack_from("<II", blob, base + offset + 16 + 8 * k)
        if name & 0x80000000:
            at = base + (name & 0x7FFFFFFF)
            length = struct.unpack_from("<H", blob, at)[0]
            key = blob[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        else:
            key = name
        yield key, bool(target & 0x80000000), target & 0x7FFFFFFF


def read_resources(path):
    """Returns the resources of a program file, in directory order."""
    with open(path, "rb") as f:
        image = PeImage(f.read())
    if image.rsrc_rva == 0:
        return []
    blob, base = image.blob, image.offset_of(image.rsrc_rva)
    found = []
    for rtype, _, type_dir in directory_entries(blob, base, 0):
        for name, _, name_dir in directory_entries(blob, base, type_dir):
            for lang, _, leaf in directory_entries(blob, base, name_dir):
                rva, size, codepage = struct.unpack_from("<III", blob, base + leaf)
                found.append(Resource(rtype, name, lang, codepage, image.read_rva(rva, size)))
    return found


# ----------------------------------------------------------------------------- decoders


def decode_group_icon(data):
    """RT_GROUP_ICON: GRPICONDIR and its 14-byte entries."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    entries = []
    for k in range(count):
        w, h, colours, res, planes, bits, size, res_id = struct.unpack_from(
            "<BBBBHHIH", data, 6 + 14 * k)
        entries.append({"width": w or 256, "height": h or 256, "color_count": colours,
                        "reserved": res, "planes": planes, "bit_count": bits,
                        "bytes_in_res": size, "id": res_id})
    return {"reserved": reserved, "type": kind, "count": count, "entries": entries}


def decode_icon_image(data):
    """RT_ICON: the BITMAPINFOHEADER of a DIB image, or a note that it is PNG."""
    if data[:8] == b"\x89PNG\r\n\x1a\n":
        w, h = struct.unpack_from(">II", data, 16)
        return {"format": "png", "width": w, "height": h}
    size, w, h, planes, bits, compression, image_size = struct.unpack_from("<IiiHHII", data, 0)
    return {"format": "dib", "header_size": size, "width": w, "height": h, "planes": planes,
            "bit_count": bits, "compression": compression, "image_size": image_size}


def read_version_node(data, offset):
    """One VS_VERSIONINFO-style node: returns (node dict, offset after it)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_end = offset + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[offset + 6:key_end].decode("utf-16-le")
    at = align4(key_end + 2)
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[at:at + value_bytes]
    node = {"key": key, "type": value_type, "value": value, "children": []}
    at = align4(at + value_bytes)
    while at < end:
        child, at = read_version_node(data, at)
        node["children"].append(child)
        at = align4(at)
    return node, end


def align4(offset):
    return (offset + 3) & ~3


def decode_fixed_info(raw):
    fields = struct.unpack_from("<13I", raw, 0)
    names = ["signature", "struc_version", "file_version_ms", "file_version_ls",
             "product_version_ms", "product_version_ls", "file_flags_mask", "file_flags",
             "file_os", "file_type", "file_subtype", "file_date_ms", "file_date_ls"]
    info = dict(zip(names, fields))
    info["file_version"] = dotted(info["file_version_ms"], info["file_version_ls"])
    info["product_version"] = dotted(info["product_version_ms"], info["product_version_ls"])
    return info


def dotted(ms, ls):
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


def decode_version(data):
    """RT_VERSION: fixed fields, string tables (raw values, terminators kept) and
    translations."""
    root, _ = read_version_node(data, 0)
    result = {"key": root["key"], "fixed": None, "string_tables": {}, "translations": []}
    if len(root["value"]) >= 52:
        result["fixed"] = decode_fixed_info(root["value"])
    for block in root["children"]:
        if block["key"] == "StringFileInfo":
            for table in block["children"]:
                result["string_tables"][table["key"]] = [
                    (s["key"], s["value"].decode("utf-16-le")) for s in table["children"]]
        elif block["key"] == "VarFileInfo":
            for var in block["children"]:
                raw = var["value"]
                pairs = struct.unpack_from(f"<{len(raw) // 2}H", raw, 0)
                result["translations"] += list(zip(pairs[0::2], pairs[1::2]))
    return result


def decode(resource):
    """Decoded form of a resource this tool understands, or None."""
    decoders = {RT_GROUP_ICON: decode_group_icon, RT_ICON: decode_icon_image,
                RT_VERSION: decode_version,
                RT_MANIFEST: lambda data: data.decode("utf-8", errors="replace")}
    decoder = decoders.get(resource.type)
    return decoder(resource.data) if decoder else None


# ----------------------------------------------------------------------------- printing


def type_label(rtype):
    if isinstance(rtype, str):
        return f'"{rtype}"'
    return f"{rtype} ({RT_NAMES[rtype]})" if rtype in RT_NAMES else str(rtype)


def print_group(info):
    print(f"    GRPICONDIR reserved={info['reserved']} type={info['type']} "
          f"count={info['count']}")
    for e in info["entries"]:
        print(f"    - id {e['id']}: {e['width']}x{e['height']} {e['bit_count']} bpp, "
              f"planes {e['planes']}, colors {e['color_count']}, reserved {e['reserved']}, "
              f"{e['bytes_in_res']} bytes")


def print_icon(info):
    if info["format"] == "png":
        print(f"    PNG {info['width']}x{info['height']}")
        return
    print(f"    DIB {info['width']}x{info['height']} (height incl. mask), "
          f"{info['bit_count']} bpp, compression {info['compression']}, "
          f"header {info['header_size']} bytes")


def print_version(info):
    fixed = info["fixed"]
    if fixed:
        print(f"    signature 0x{fixed['signature']:08X}, file version "
              f"{fixed['file_version']}, product version {fixed['product_version']}")
        print(f"    flags mask 0x{fixed['file_flags_mask']:X}, flags 0x{fixed['file_flags']:X},"
              f" OS 0x{fixed['file_os']:X}, type 0x{fixed['file_type']:X}, "
              f"subtype 0x{fixed['file_subtype']:X}")
    for block, strings in info["string_tables"].items():
        print(f'    StringFileInfo "{block}":')
        for key, value in strings:
            print(f"      {key} = {value!r}")
    for lang, codepage in info["translations"]:
        print(f"    Translation 0x{lang:04X}, 0x{codepage:04X}")


def print_listing(resources):
    printers = {RT_GROUP_ICON: print_group, RT_ICON: print_icon, RT_VERSION: print_version,
                RT_MANIFEST: lambda text: print("    " + text.rstrip().replace("\n", "\n    "))}
    for res in resources:
        print(f"type {type_label(res.type)}  name {res.name!r}  lang 0x{res.lang:04X}  "
              f"{len(res.data)} bytes")
        printer = printers.get(res.type)
        if printer:
            printer(decode(res))


def as_json(resources):
    def plain(value):
        if isinstance(value, bytes):
            return value.hex()
        if isinstance(value, dict):
            return {k: plain(v) for k, v in value.items()}
        if isinstance(value, (list, tuple)):
            return [plain(v) for v in value]
        return value

    return json.dumps([{"type": r.type, "name": r.name, "lang": r.lang, "size": len(r.data),
                        "decoded": plain(decode(r))} for r in resources], indent=2)


def main(argv):
    args = [a for a in argv[1:] if a != "--json"]
    if len(args) != 1:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    resources = read_resources(args[0])
    if "--json" in argv:
        print(as_json(resources))
    else:
        print_listing(resources)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
