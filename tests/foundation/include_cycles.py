#!/usr/bin/env python3
"""Fails when the tree's includes form a cycle between folders or between headers.

Reads every root-relative `#include "folder/File.h"` under the given root. A folder
cycle (capture/win -> capture/video/win -> capture/win) means neither side can be
built or understood without the other: one side should define the seam instead. A
header cycle compiles only by the accident of include order.

Usage: include_cycles.py ROOT [--allow FOLDER:FOLDER ...]. An allowed pair is a cycle
known and tolerated; a cycle with any other folder in it still fails.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCES = ('.h', '.hpp', '.c', '.cpp')
SKIP = {'build', '.git'}


def read_includes(root):
    files = {}
    for folder, dirs, names in os.walk(root):
        dirs[:] = sorted(d for d in dirs if d not in SKIP)
        for name in names:
            if name.endswith(SOURCES):
                path = os.path.join(folder, name)
                with open(path, encoding='utf-8', errors='replace') as f:
                    text = f.read()
                rel = os.path.relpath(path, root).replace(os.sep, '/')
                # only includes written from the root, which name a file of the tree
                files[rel] = [i for i in INCLUDE.findall(text) if os.path.isfile(os.path.join(root, i))]
    return files


def cycles(graph):
    """The strongly connected parts with more than one node (Tarjan, iterative)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, edges = work[-1]
            advanced = False
            for nxt in edges:
                if nxt not in index:
                    index[nxt] = low[nxt] = counter
                    counter += 1
                    stack.append(nxt)
                    on_stack.add(nxt)
                    work.append((nxt, iter(sorted(graph.get(nxt, ())))))
                    advanced = True
                    break
                if nxt in on_stack:
                    low[node] = min(low[node], index[nxt])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                part = []
                while True:
                    top = stack.pop()
                    on_stack.discard(top)
                    part.append(top)
                    if top == node:
                        break
                if len(part) > 1:
                    found.append(sorted(part))
    return found


def main():
    args = sys.argv[1:]
    allowed = set()
    while '--allow' in args:
        at = args.index('--allow')
        allowed.add(frozenset(args[at + 1].split(':')))
        del args[at:at + 2]
    root = os.path.abspath(args[0] if args else os.path.join(os.path.dirname(__file__), '..', '..'))
    files = read_includes(root)
    folders, headers = {}, {}
    for src, incs in files.items():
        for inc in incs:
            a, b = os.path.dirname(src), os.path.dirname(inc)
            if a != b:
                folders.setdefault(a, set()).add(b)
            if src.endswith(('.h', '.hpp')):
                headers.setdefault(src, set()).add(inc)
    bad = False
    for part in cycles(folders):
        if frozenset(part) in allowed:
            print('known include cycle between folders:', ' <-> '.join(part))
            continue
        bad = True
        print('include cycle between folders:', ' <-> '.join(part))
        for src, incs in sorted(files.items()):
            for inc in incs:
                if os.path.dirname(src) in part and os.path.dirname(inc) in part and \
                        os.path.dirname(src) != os.path.dirname(inc):
                    print(f'  {src} includes {inc}')
    for part in cycles(headers):
        bad = True
        print('include cycle between headers:', ' <-> '.join(part))
    if not bad:
        print(f'no other include cycles among {len(files)} files in {len(folders)} folders')
    return 1 if bad else 0


if __name__ == '__main__':
    sys.exit(main())
