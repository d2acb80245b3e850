#!/usr/bin/env python3
"""Reads the includes of src/ and checks the floors of the engine's modules.

A module is a pair x.h/x.cpp; an arrow runs from a module to every module
whose header it includes. Prints the modules that lie on cycles and the
arrows that run up (from a lower floor to a higher one), then checks the
rules: core/ includes nothing from the subsystems above it, timectl/
nothing from ui/, and no header declares a global that another module's
source defines. Exits 1 when a rule is broken.
"""
import os
import re
import sys

FLOORS = {"platform": 0, "core": 1, "eval": 2, "egtb": 2, "book": 2,
          "search": 3, "timectl": 3, "ui": 4, "app": 5}
CORE_MAY_NOT = {"search", "eval", "ui", "timectl", "book", "egtb"}

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
files = {}
for folder, _, names in os.walk(root):
    for n in names:
        if n.endswith((".h", ".cpp")):
            rel = os.path.relpath(os.path.join(folder, n), root).replace(os.sep, "/")
            with open(os.path.join(folder, n), encoding="utf-8") as f:
                files[rel] = f.read()


def module(path):
    return path.rsplit(".", 1)[0]


def floor(mod):
    return FLOORS.get(mod.split("/")[0], 6)


graph = {}
for path, text in files.items():
    m = module(path)
    graph.setdefault(m, set())
    for inc in re.findall(r'^#include "([^"]+)"', text, re.M):
        if inc in files and module(inc) != m:
            graph[m].add(module(inc))

# Cycles: strongly connected components with more than one module.
index, low, stack, on, sccs = {}, {}, [], set(), []


def strong(v):
    index[v] = low[v] = len(index)
    stack.append(v)
    on.add(v)
    for w in sorted(graph.get(v, ())):
        if w not in index:
            strong(w)
            low[v] = min(low[v], low[w])
        elif w in on:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        comp = []
        while True:
            w = stack.pop()
            on.discard(w)
            comp.append(w)
            if w == v:
                break
        if len(comp) > 1:
            sccs.append(sorted(comp))


sys.setrecursionlimit(10000)
for v in sorted(graph):
    if v not in index:
        strong(v)

up = sorted((a, b) for a in graph for b in graph[a] if floor(b) > floor(a))
print(f"{len(graph)} modules, {sum(len(s) for s in graph.values())} arrows")
print(f"modules on cycles: {sum(len(c) for c in sccs)} in {len(sccs)} cycles")
for c in sccs:
    print("  cycle:", " ".join(c))
print(f"arrows that run up: {len(up)}")
for a, b in up:
    print(f"  {a} -> {b}")

errors = []
for path, text in files.items():
    top = path.split("/")[0]
    for inc in re.findall(r'^#include "([^"]+)"', text, re.M):
        folder = inc.split("/")[0]
        if top == "core" and folder in CORE_MAY_NOT:
            errors.append(f"{path} includes {inc}")
        if top == "timectl" and folder == "ui":
            errors.append(f"{path} includes {inc}")

# Globals: a header's extern declarations must be defined by its own source.
def declared_names(text):
    for stmt in re.findall(r"^extern\s+([^;]*);", text, re.M):
        pointer = re.search(r"\(\s*\*\s*(\w+)\s*\)", stmt)
        if pointer:
            yield pointer.group(1)
            continue
        for part in re.sub(r"\[[^\]]*\]", "", stmt).split(","):
            words = re.findall(r"\w+", part.split("=")[0])
            if words:
                yield words[-1]


for path, text in files.items():
    if not path.endswith(".h"):
        continue
    src = module(path) + ".cpp"
    body = files.get(src, "")
    for name in declared_names(text):
        pattern = r"^(?!\s)[^\n]*\b" + re.escape(name) + r"\b(\s*\[[^\]]*\])*\s*\)?\s*[=;,{(\[]"
        if not re.search(pattern, body, re.M):
            errors.append(f"{path} declares {name}, which {src} does not define")

for e in errors:
    print("broken:", e)
sys.exit(1 if errors else 0)
