#!/usr/bin/env python3
"""Adds the rows of a two-column TSV (en, zh_CN) that the .ts file lacks.

Rows already in the .ts are left as they are, so corrections made there stay.
Usage: import-translations.py TEXTS.tsv translations/tamblo_zh_CN.ts
"""
import sys
import xml.etree.ElementTree as ET


def unescape(text):
    # The table writes control characters as C escapes.
    return text.replace("\\n", "\n").replace("\\r", "\r").replace("\\t", "\t")


def main(tsv_path, ts_path):
    try:
        tree = ET.parse(ts_path)
        root = tree.getroot()
    except FileNotFoundError:
        root = ET.Element("TS", version="2.1", language="zh_CN", sourcelanguage="en")
        tree = ET.ElementTree(root)
    context = root.find("context")
    if context is None:
        context = ET.SubElement(root, "context")
        ET.SubElement(context, "name").text = "tamblo"
    known = {m.findtext("source") for m in context.findall("message")}
    added = 0
    with open(tsv_path, encoding="utf-8") as f:
        next(f)
        for line in f:
            line = line.rstrip("\n")
            if "\t" not in line:
                continue
            en, zh = line.split("\t", 1)
            en, zh = unescape(en), unescape(zh)
            if en in known:
                continue
            known.add(en)
            message = ET.SubElement(context, "message")
            ET.SubElement(message, "source").text = en
            ET.SubElement(message, "translation").text = zh
            added += 1
    ET.indent(tree, space="    ")
    with open(ts_path, "wb") as out:
        out.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
        tree.write(out, encoding="utf-8")
        out.write(b"\n")
    print(f"{added} texts added to {ts_path}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
