#!/usr/bin/env python3
"""Lists functions longer than a limit (80 lines by default) in C++ sources.

A function is a top-level or class-level brace block whose opening line looks like a
signature; its length runs from the signature's first line to the closing brace.
    scripts/long_functions.py [--limit N] [--exclude GLOB ...] [paths...]
"""
import argparse
import fnmatch
import os
import re
import sys

SIGNATURE = re.compile(r"[\w>\]~)&*]\s*\(.*\)\s*(const|noexcept|override|final|->[^{]*|\s)*(:.*)?$")
NOT_FUNCTION = re.compile(r"^\s*(namespace|class|struct|enum|union|extern|if|for|while|switch|else|do)\b")


def strip(line, in_comment):
    """Drops comments, strings and character literals so braces inside them do not count."""
    out, i = [], 0
    while i < len(line):
        if in_comment:
            end = line.find("*/", i)
            if end < 0:
                return "".join(out), True
            i, in_comment = end + 2, False
            continue
        c = line[i]
        if line.startswith("//", i):
            break
        if line.startswith("/*", i):
            in_comment, i = True, i + 2
            continue
        if c in "\"'":
            j = i + 1
            while j < len(line) and line[j] != c:
                j += 2 if line[j] == "\\" else 1
            out.append(c + c)
            i = j + 1
            continue
        out.append(c)
        i += 1
    return "".join(out), in_comment


def functions(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.readlines()
    depth, in_comment, pending, found = 0, False, [], []
    stack = []  # (depth before the brace, start line, name or None)
    for number, raw in enumerate(lines, 1):
        code, in_comment = strip(raw, in_comment)
        if code.strip():
            pending.append((number, code.strip()))
            pending = pending[-6:]
        for ch in code:
            if ch == "{":
                name, start = None, number
                head = " ".join(text for _, text in pending)
                head = head[: head.rfind("{")] if "{" in head else head
                head = head.split(";")[-1].split("}")[-1].strip()
                if head and SIGNATURE.search(head) and not NOT_FUNCTION.match(head) and not any(
                    s[2] for s in stack
                ):
                    name = re.sub(r"\s+", " ", head)[:100]
                    for n, text in pending:
                        if text and text.split("(")[0].strip() and text in head:
                            start = n
                            break
                stack.append((depth, start, name))
                depth += 1
                pending = []
            elif ch == "}":
                depth -= 1
                if stack:
                    _, start, name = stack.pop()
                    if name:
                        found.append((number - start + 1, start, name))
                pending = []
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("paths", nargs="*", default=["src"])
    parser.add_argument("--limit", type=int, default=80)
    parser.add_argument("--exclude", action="append", default=[])
    args = parser.parse_args()
    results = []
    for root in args.paths:
        walk = [(root, [], [os.path.basename(root)])] if os.path.isfile(root) else os.walk(root)
        for folder, _, files in walk:
            for name in files:
                path = root if os.path.isfile(root) else os.path.join(folder, name)
                if not path.endswith((".cpp", ".h", ".cc", ".hpp")):
                    continue
                if any(fnmatch.fnmatch(path, pattern) for pattern in args.exclude):
                    continue
                for length, start, signature in functions(path):
                    if length > args.limit:
                        results.append((length, path, start, signature))
    for length, path, start, signature in sorted(results, reverse=True):
        print(f"{length:5d}  {path}:{start}  {signature}")
    return 1 if results else 0


if __name__ == "__main__":
    sys.exit(main())
