#!/usr/bin/env python3
"""Holds each subsystem's wires to the controls its header says they are.

A subsystem's `struct Controls` names, in the comment beside each field (or in the comment lines
just above it), the form controls that field takes, in order: `QCheckBox* warningTextOn;  //
CheckBox9`. src/app/Wiring.cpp builds every Controls with designated initialisers
(`.warningTextOn = f.CheckBox9`). This check fails when a wire takes other controls than its
field's comment names (a swapped wire), when a field with named controls is not wired, or when
the wiring names a field its struct does not have.

    scripts/check-wiring.py [SOURCE_DIR]
"""
import pathlib
import re
import sys

NAME = re.compile(r"\b([A-Z][A-Za-z]*[0-9]+)\b")


def controls_structs(src):
    """{class name: {field: [control names]}} from every header's `struct Controls`."""
    found = {}
    for header in sorted(src.rglob("*.h")):
        lines = header.read_text(encoding="utf-8").splitlines()
        owner = None
        i = 0
        while i < len(lines):
            m = re.match(r"\s*class\s+(\w+)\b[^;]*$", lines[i])
            if m:
                owner = m.group(1)
            if re.match(r"\s*struct\s+Controls\s*\{", lines[i]) and owner:
                fields = {}
                pending = []
                i += 1
                depth = 1
                while i < len(lines) and depth > 0:
                    line = lines[i]
                    depth += line.count("{") - line.count("}")
                    if depth <= 0:
                        break
                    stripped = line.strip()
                    if stripped.startswith("//"):
                        pending += NAME.findall(stripped)
                    else:
                        m = re.match(r"(?:const\s+)?[\w:<>*, ]+?[\s*&>]+(\w+)\s*;\s*(//.*)?$", stripped)
                        if m:
                            names = NAME.findall(m.group(2) or "") or pending
                            fields[m.group(1)] = names
                        pending = []
                    i += 1
                found[owner] = fields
            i += 1
    return found


def split_top(text):
    """Splits a brace list's inside at its top-level commas."""
    parts, depth, current = [], 0, ""
    for ch in text:
        if ch in "{([":
            depth += 1
        elif ch in "})]":
            depth -= 1
        if ch == "," and depth == 0:
            parts.append(current)
            current = ""
        else:
            current += ch
    if current.strip():
        parts.append(current)
    return parts


def wired(wiring):
    """{function: (class name, {field: [control names]})} from Wiring.cpp."""
    text = re.sub(r"//[^\n]*", "", wiring.read_text(encoding="utf-8"))
    text = re.sub(r'u"[^"]*"', '""', text)
    result = {}
    for m in re.finditer(r"(\w+)::Controls\s+(\w+)\s*\([^)]*\)\s*\{", text):
        owner, function = m.group(1), m.group(2)
        body_start = text.index("return", m.end())
        start = text.index("{", body_start)
        depth, end = 0, start
        for end in range(start, len(text)):
            depth += {"{": 1, "}": -1}.get(text[end], 0)
            if depth == 0:
                break
        fields = {}
        for part in split_top(text[start + 1:end]):
            fm = re.match(r"\s*\.(\w+)\s*=\s*(.*)$", part, re.S)
            if not fm:
                continue
            expr = fm.group(2)
            fields[fm.group(1)] = re.findall(r"(?:\bf\.|(?<![.\w]))([A-Z][A-Za-z]*[0-9]+)\b", expr)
        result[function] = (owner, fields)
    return result


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    structs = controls_structs(root / "src")
    wiring = wired(root / "src" / "app" / "Wiring.cpp")
    failures = []
    for function, (owner, fields) in wiring.items():
        if owner not in structs:
            failures.append(f"{function}: no struct Controls in class {owner}")
            continue
        declared = structs[owner]
        for field, names in fields.items():
            if field not in declared:
                failures.append(f"{function}: {owner}::Controls has no field {field}")
            elif declared[field] and names != declared[field]:
                failures.append(f"{function}: .{field} takes {', '.join(names) or 'nothing named'}"
                                f" but {owner}::Controls says {', '.join(declared[field])}")
        for field, names in declared.items():
            if names and field not in fields:
                failures.append(f"{function}: {owner}::Controls.{field} ({', '.join(names)}) is not wired")
    if not wiring:
        failures.append("no wiring functions found in src/app/Wiring.cpp")
    for f in failures:
        print("check-wiring:", f, file=sys.stderr)
    if failures:
        return 1
    count = sum(len(f) for _, f in wiring.values())
    print(f"check-wiring: {count} wires in {len(wiring)} structs take the controls their headers name")
    return 0


if __name__ == "__main__":
    sys.exit(main())
