#!/usr/bin/env python3
"""Sampled mutation testing of one area of the project: the client library (C), the
simulator, the core or the command-line tool (C++).

One mutant at a time: change one spot of one source file of the area, rebuild the
area's test programs incrementally, run the area's tests under a time limit (two
programs at a time), optionally run a second (black-box) suite against the same
mutated tree, then restore the file with `git checkout`.  A mutant is KILLED by a
suite when any of its programs exits non-zero, crashes or runs past its limit; it
SURVIVES when all of them pass.  A mutant that does not compile is DISCARDED and not
counted (the project is built with -Werror, so a mutant that only draws a warning is
discarded too).  Once one program has killed a mutant the others still running are
stopped (--all-programs lets every program finish, to see which ones kill what).

Mutation operators (each applied at one site):
  ror     relational operator: < <-> <=, > <-> >=, == <-> != (never a template's brackets)
  lcr     logical connector: && <-> ||
  const   integer literal +1 / -1
  len     a length, size, count or named limit used in an expression: X -> (X + 1u) / (X - 1u)
  sdl     delete (or, as an if's body, empty) a statement that assigns (incl. memset/memcpy), releases
          (free/close/clear/drop/release/reset calls), changes a container
          (push_back, insert, erase, append, ...), returns a failure or throws
  code    swap a result/status code for another one of the same family (the area's
          families in AREAS; C++ members are qualified, e.g. status::kTooMuchData)
  guard   drop a bounds check: if (<comparison of sizes>) { <failure exit> } -> if (0)
  endian  byte order of a wire helper: get_uNN(p) -> bswapNN(get_uNN(p)),
          put_uNN(p, v) -> put_uNN(p, bswapNN(v))

Sites are only taken from lines that carry logic: inside function bodies (C++: also
member functions, lambdas, functions inside namespaces), in code the compiler actually
sees on this platform (checked with the preprocessor), never comments, preprocessor
lines or declarations without an initializer.  Mutants are drawn at random with a
fixed seed, spread over the files in proportion to their number of mutable lines: per
file, a random operator among those present, then a random site of it (preferring
lines not used yet) and a random variant.

Known limitation: swapping || for && (or back) inside a chain that mixes both
draws -Wparentheses, so under -Werror such a mutant is discarded.

Usage, from the project's root, after configuring a build folder for it, e.g.
  cmake -S . -B build-mutate -G Ninja -DQUILLON_GUI=OFF
(the sources it mutates must be committed: it refuses to start on uncommitted changes
there, since it restores each file with git checkout):
  mutate.py list    [--area A] [--count N] [--seed S]   show the sample, run nothing
  mutate.py run     [--area A] [--count N] [--seed S] [--budget-min M] [--extra-suite CMD]
  mutate.py run     [--area A] --replay OLD/results.jsonl [--only-killed]
                                                        the mutants of an earlier run again
  mutate.py report  [--area A]                          summarise results.jsonl
  mutate.py compare OLD/results.jsonl NEW/results.jsonl  faults found before and missed now

The area (client, sim, core, cli; default client) picks the sources, the code families,
the targets rebuilt and the tests that judge a mutant: see AREAS below.  The tests are
the ctest tests of the area's programs whose names match its regex.  The extra suite
command is a shell command; "{root}" in it is replaced by the source tree's root.
Outputs go to --out (default: build-mutate/results-AREA): mutants/<id>.diff,
logs/<id>.*.log, results.jsonl (one JSON object a mutant), meta.json.
"""

import argparse
import json
import os
import random
import re
import shlex
import signal
import subprocess
import sys
import time
from dataclasses import dataclass, field

HERE = os.path.dirname(os.path.abspath(__file__))

# --------------------------------------------------------------------------
# Project layout (override on the command line)
# --------------------------------------------------------------------------
DEFAULT_ROOT = os.getcwd()                         # run it from the project's root
DEFAULT_BUILD = os.path.join(DEFAULT_ROOT, "build-mutate")

# Families of codes that the "code" operator swaps within. Members are the
# distinct names of each pattern found in the mutated sources; a pattern with
# "::" is matched against the name with its qualifier.
CLIENT_CODES = {
    "result": r"ZOLTC_LOGIX_(?:OK|ERR_[A-Z0-9_]+)",
    "status": r"ZOLTC_LOGIX_STATUS_[A-Z0-9_]+",
    "io": r"ZOLTC_LOGIX_IO_[A-Z0-9_]+",
    "cip": r"ZOLTC_LOGIX_CIP_[A-Z0-9_]+",
}


@dataclass
class Area:
    sources: tuple    # folders whose files (with one of exts) are mutated
    exts: tuple
    targets: str      # ninja targets to rebuild: the area's test programs
    tests: str = ""   # ctest names (of those programs' tests) that judge; "" = all of them
    label: str = ""   # and only tests with this ctest label; "" = any
    codes: dict = field(default_factory=dict)


# Today's ctest names carry no area (gtest names, "core." for the core), so an area's
# tests are found through its programs; once names gain an area prefix, set `tests`
# (e.g. r"^client\.") and the programs can be renamed freely.
AREAS = {
    "client": Area(("client/src",), (".c",), r"^client_\w*tests$", "", "", CLIENT_CODES),
    "sim": Area(("sim/src",), (".cpp",), r"^sim_tests$", "", "", {
        "cip": r"status::k\w+", "encap": r"encap_status::k\w+", "extended": r"extended::k\w+"}),
    "core": Area(("src/core",), (".cpp",), r"^(core_tests|core_integration_tests|tagdisplay_tests)$",
                 "", "", dict(CLIENT_CODES, link=r"Link::\w+", method=r"ReadMethod::\w+")),
    "cli": Area(("cli",), (".cpp",), r"^cli_\w*tests$", "", "",
                dict(CLIENT_CODES, exit=r"kExit\w+", node=r"NodeKind::\w+")),
}

SUCCESS_NAME = re.compile(r"(^|_)OK$|^true$|\bk(Success|ExitOk)$")
# Little-endian wire helpers (wire.h); the "endian" operator swaps their bytes.
BYTE_ORDER_HELPER = re.compile(r"^\w+_(get|put)_u(16|32|64)$")
# Calls whose deletion leaks or leaves state behind.
RELEASE_CALL = re.compile(r"(free|close|clear|release|drop|reset)", re.I)
WRITE_CALL = {"memset", "memcpy", "memmove", "fill", "copy"}
# Member calls that change their object (C++ containers and strings).
WRITE_METHOD = re.compile(r"^(push_back|emplace_back|push_front|emplace|insert|erase|append|resize|"
                          r"assign|pop_back|pop_front|swap|fill|store|notify_one|notify_all)$")
# Lower-case names that hold a length; upper-case names that read as a limit.
LENGTH_NAME = re.compile(r"(length|size|count|capacity)$")
LIMIT_NAME = re.compile(
    r"^[A-Z][A-Z0-9_]*(MAX|MIN|SIZE|LENGTH|CHUNK|BUDGET|BATCH|DEPTH|RECORDS|SLOTS|WORDS|"
    r"FIXED|CAPACITY|COST|OVERHEAD|HEAD)[A-Z0-9_]*$")

RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ASSIGN_OPS = {"=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "<<=", ">>="}
# Tokens after which a name is read as a value (not declared, not assigned).
VALUE_CONTEXT = {"(", ",", "[", "+", "-", "/", "%", "<", ">", "<=", ">=", "==", "!=", "&&",
                 "||", "?", ":", "=", "+=", "-=", "return", "!", "<<", ">>", "|", "^"}
CONTROL = {"if", "for", "while", "switch", "do", "else", "try", "catch"}
# A brace after one of these opens a function body (C++: `f() const {`, `[]() mutable {`).
BODY_AFTER = {")", "const", "noexcept", "override", "final", "mutable"}


# --------------------------------------------------------------------------
# A small C/C++ tokenizer: enough to find operators, names, calls and statements
# --------------------------------------------------------------------------
@dataclass
class Token:
    kind: str  # id, num, float, op, str
    text: str
    start: int
    end: int
    line: int
    fn_depth: int = 0  # 0 outside function bodies, 1 in a body's outermost block, ...
    template: bool = False  # a template's < or > (never a comparison)


TOKEN_RE = re.compile(r"""
   (?P<ws>[ \t\r\f\v]+|\n)
  |(?P<comment>//[^\n]*|/\*.*?\*/)
  |(?P<str>"(?:\\.|[^"\\\n])*"|'(?:\\.|[^'\\\n])*')
  |(?P<float>(?:\d[\d']*\.[\d']*|\.\d[\d']*)(?:[eE][-+]?\d+)?[fFlL]?|\d[\d']*[eE][-+]?\d+[fFlL]?)
  |(?P<num>0[xX][0-9A-Fa-f']+[uUlL]*|0[bB][01']+[uUlL]*|\d[\d']*[uUlL]*)
  |(?P<id>[A-Za-z_]\w*)
  |(?P<op>->|::|\+\+|--|<<=|>>=|<<|>>|<=>|<=|>=|==|!=|&&|\|\||[-+*/%&|^]=|\.\.\.|\S)
""", re.S | re.X)


def tokenize(text):
    tokens, pos, line, line_start = [], 0, 1, True
    while pos < len(text):
        m = TOKEN_RE.match(text, pos)
        kind = m.lastgroup
        if kind == "op" and m.group() == "#" and line_start:
            # A preprocessor line, with its continuations: skipped whole.
            end = pos
            while True:
                nl = text.find("\n", end)
                if nl < 0:
                    end = len(text)
                    break
                if text[nl - 1] != "\\":
                    end = nl
                    break
                end = nl + 1
            line += text.count("\n", pos, end)
            pos = end
            continue
        if kind not in ("ws", "comment"):
            tokens.append(Token(kind, m.group(), m.start(), m.end(), line))
            line_start = False
        if "\n" in m.group():
            line += m.group().count("\n")
            if kind == "ws":
                line_start = True
        pos = m.end()
    return tokens


def mark_function_bodies(tokens):
    """Sets fn_depth on every token inside a function body. Outside one, a brace
    opens a body when it follows ")" or a qualifier (`const`, `noexcept`, ...), a
    trailing return type, or the "}" of a member initializer; any other brace there
    (namespace, class, enum, initializer) is a scope the search goes on inside."""
    stack, depth = [], 0
    for i, tok in enumerate(tokens):
        if tok.text == "{":
            prev = tokens[i - 1].text if i > 0 else ""
            opens = depth > 0 or prev in BODY_AFTER or prev == "}" or trailing_return(tokens, i)
            stack.append(opens)
            depth += opens
            tok.fn_depth = depth
        elif tok.text == "}":
            tok.fn_depth = depth
            if stack and stack.pop():
                depth -= 1
        else:
            tok.fn_depth = depth


def trailing_return(tokens, i):
    """`) -> Type {`: the brace at tokens[i] ends a trailing return type."""
    k = i - 1
    while k > 0 and (tokens[k].kind == "id" or tokens[k].text in ("::", "<", ">", "*", "&", ",")):
        k -= 1
    return k < i - 1 and tokens[k].text == "->" and tokens[k - 1].text == ")"


# What may stand between a template's brackets; anything else ends the look-ahead.
TEMPLATE_INNER = {"::", ",", "*", "&", "(", ")", "[", "]", "<", ">", ">>", "..."}


def mark_templates(tokens):
    """Marks the < and > of template argument lists (`std::vector<int>`,
    `static_cast<T>(x)`): a < after a name whose look-ahead holds only names,
    numbers and type punctuation up to its matching >."""
    for i, tok in enumerate(tokens):
        if tok.text != "<" or tok.template or i == 0 or tokens[i - 1].kind != "id" \
                or tokens[i - 1].text in ("return", "case"):
            continue
        depth, paren, opened = 0, 0, []
        for j in range(i, len(tokens)):
            t = tokens[j]
            if t.kind not in ("id", "num") and t.text not in TEMPLATE_INNER:
                break
            if t.text == "(":
                paren += 1
            elif t.text == ")":
                paren -= 1
                if paren < 0:
                    break
            elif t.text == "<":
                depth += 1
                opened.append(j)
            elif t.text in (">", ">>"):
                depth -= len(t.text)
                opened.append(j)
                if depth <= 0:
                    if depth == 0:
                        for k in opened:
                            tokens[k].template = True
                    break


def matching(tokens, i):
    """Index of the bracket that closes tokens[i]."""
    pairs = {"(": ")", "[": "]", "{": "}"}
    open_, close = tokens[i].text, pairs[tokens[i].text]
    depth = 0
    for j in range(i, len(tokens)):
        if tokens[j].text == open_:
            depth += 1
        elif tokens[j].text == close:
            depth -= 1
            if depth == 0:
                return j
    raise ValueError("unbalanced %s at line %d" % (open_, tokens[i].line))


@dataclass
class Statement:
    first: int  # token indices, inclusive; last is the ";"
    last: int
    depth: int  # fn_depth of its block (1 = the function's outermost block)
    kind: str  # decl, decl_init, assign, write, release, return_fail, return, other


DECL_QUALIFIERS = {"static", "const", "struct", "enum", "union", "unsigned", "signed", "volatile",
                   "constexpr", "inline", "thread_local", "typename", "mutable", "class"}
NOT_A_TYPE = {"return", "delete", "throw", "goto", "break", "continue", "case", "new", "else", "do"}


def skip_type(toks, k):
    """Past a (qualified, templated) type name starting at toks[k]."""
    while k < len(toks) and toks[k].kind == "id":
        k += 1
        if k < len(toks) and toks[k].text == "<" and toks[k].template:
            depth = 0
            while k < len(toks):
                if toks[k].text == "<":
                    depth += 1
                elif toks[k].text in (">", ">>"):
                    depth -= len(toks[k].text)
                k += 1
                if depth <= 0:
                    break
        if k < len(toks) and toks[k].text == "::":
            k += 1
        else:
            break
    return k


def is_declaration(toks):
    """`[static] [const] [struct|enum] T [*&...] name ...`: a type and a name in a
    row; C++ types may be qualified and templated, and `auto [a, b]` binds."""
    k = 0
    while k < len(toks) and toks[k].text in DECL_QUALIFIERS:
        k += 1
    if k >= len(toks) or toks[k].kind != "id" or toks[k].text in NOT_A_TYPE:
        return False
    auto = toks[k].text == "auto"
    k = skip_type(toks, k)
    while k < len(toks) and toks[k].text in ("*", "&", "&&", "const"):
        k += 1
    if auto and k < len(toks) and toks[k].text == "[":
        return True
    return k < len(toks) and toks[k].kind == "id" and (
        k == len(toks) - 1 or toks[k + 1].text in ("=", ";", "[", ",", "{", "("))


def split_statements(tokens):
    """Statements of every function body (control headers and labels stripped)."""
    statements = []
    i = 0
    while i < len(tokens):
        tok = tokens[i]
        if tok.fn_depth == 0 or tok.text in ("{", "}", ";"):
            i += 1
            continue
        # Skip labels and control headers; what follows is a statement of its own.
        if tok.text in ("case", "default"):
            while tokens[i].text != ":":
                i += 1
            i += 1
            continue
        if tok.text in CONTROL:
            i += 1
            if i < len(tokens) and tokens[i].text == "(":
                i = matching(tokens, i) + 1
            continue
        j, depth = i, 0
        while j < len(tokens):
            t = tokens[j].text
            if t in ("(", "["):
                depth += 1
            elif t in (")", "]"):
                depth -= 1
            elif t == "{" and depth == 0:  # an initializer list
                j = matching(tokens, j)
            elif t == ";" and depth == 0:
                break
            j += 1
        statements.append(Statement(i, j, tok.fn_depth, classify(tokens[i:j + 1], tok.fn_depth)))
        i = j + 1
    return statements


def classify(toks, depth):
    body = toks[:-1]
    if not body:
        return "other"
    if body[0].text == "return":
        value = " ".join(t.text for t in body[1:])
        # A failure return leaves a nested block early; the last return of a
        # function is its normal end.
        if value and depth >= 2 and not SUCCESS_NAME.search(value):
            return "return_fail"
        return "return"
    if body[0].text == "throw":
        return "return_fail"
    if body[0].text in ("break", "continue", "goto"):
        return "other"
    if is_declaration(body):
        return "decl_init" if any(t.text in ("=", "(", "{") for t in body) else "decl"
    k = 0
    if len(body) > 3 and [t.text for t in body[:3]] == ["(", "void", ")"]:
        k = 3  # "(void)call(...)"
    # The called name: `f(`, `std::f(`, `::f(` or a member `a.b->f(`.
    member = False
    while k + 2 < len(body) and body[k + 1].text in ("::", ".", "->") and body[k + 2].kind == "id":
        member = member or body[k + 1].text != "::"
        k += 2
    if body[k].text == "::":
        k += 1
    if k + 1 < len(body) and body[k].kind == "id" and body[k + 1].text == "(":
        if body[k].text in WRITE_CALL or (member and WRITE_METHOD.match(body[k].text)):
            return "write"
        if RELEASE_CALL.search(body[k].text):
            return "release"
    paren = 0
    for t in body:
        if t.text in ("(", "["):
            paren += 1
        elif t.text in (")", "]"):
            paren -= 1
        elif paren == 0 and t.text in ASSIGN_OPS:
            return "assign"
    if body[0].text in ("++", "--") or body[-1].text in ("++", "--"):
        return "assign"
    return "other"


# --------------------------------------------------------------------------
# Which lines the compiler sees
# --------------------------------------------------------------------------
def compiled_lines(path, build_dir):
    """Line numbers of `path` that survive the preprocessor, using the file's own
    command from compile_commands.json (None when it cannot be found)."""
    try:
        with open(os.path.join(build_dir, "compile_commands.json")) as f:
            entries = json.load(f)
    except OSError:
        return None
    real = os.path.realpath(path)
    for entry in entries:
        if os.path.realpath(os.path.join(entry["directory"], entry["file"])) != real:
            continue
        argv = shlex.split(entry["command"]) if "command" in entry else list(entry["arguments"])
        cmd, skip = [], False
        for arg in argv:
            if skip:
                skip = False
                continue
            if arg in ("-o", "-MF", "-MT", "-MQ"):
                skip = True
                continue
            if arg in ("-c", "-MD", "-MMD") or arg == entry["file"]:
                continue
            cmd.append(arg)
        cmd += ["-E", real]
        out = subprocess.run(cmd, cwd=entry["directory"], capture_output=True, text=True)
        if out.returncode != 0:
            return None
        seen, current, number = set(), None, 0
        marker = re.compile(r'^# (\d+) "([^"]*)"')
        for row in out.stdout.splitlines():
            m = marker.match(row)
            if m:
                number, current = int(m.group(1)), os.path.realpath(m.group(2))
                continue
            if current == real and row.strip():
                seen.add(number)
            number += 1
        return seen
    return None


# --------------------------------------------------------------------------
# Mutation sites
# --------------------------------------------------------------------------
@dataclass
class Site:
    op: str
    line: int
    start: int
    end: int
    variants: list  # replacement texts


@dataclass
class Mutant:
    file: str  # relative to the root
    line: int
    op: str
    start: int
    end: int
    old: str
    new: str

    def describe(self):
        def short(s):
            s = " ".join(s.split())
            return s if len(s) <= 90 else s[:87] + "..."
        if self.op == "sdl":
            return "delete `%s`" % short(self.old)
        return "`%s` -> `%s`" % (short(self.old), short(self.new))


def code_name(tokens, i):
    """The name at tokens[i] with its qualifier, if any: `status::kTooMuchData`."""
    if i >= 2 and tokens[i - 1].text == "::" and tokens[i - 2].kind == "id":
        return tokens[i - 2].text + "::" + tokens[i].text
    return tokens[i].text


def harvest_families(texts, patterns):
    families = {}
    for name, pattern in patterns.items():
        members = set()
        for text in texts:
            tokens = tokenize(text)
            for i, tok in enumerate(tokens):
                if tok.kind != "id":
                    continue
                full = code_name(tokens, i)
                if re.fullmatch(pattern, full if "::" in pattern else tok.text):
                    members.add(full if "::" in pattern else tok.text)
        families[name] = sorted(members)
    return families


def family_of(tokens, i, families):
    """The family of the code named at tokens[i], or None."""
    full, bare = code_name(tokens, i), tokens[i].text
    for fam, members in families.items():
        if full in members or bare in members:
            return fam
    return None


def name_chain_end(tokens, i):
    """A name followed by .member / ->member ...: index of its last token."""
    j = i
    while j + 2 < len(tokens) and tokens[j + 1].text in (".", "->") and tokens[j + 2].kind == "id":
        j += 2
    return j


def value_context(tokens, i):
    """True when the expression starting at tokens[i] is read as a value."""
    if i == 0:
        return False
    prev = tokens[i - 1]
    if prev.text in VALUE_CONTEXT:
        return True
    # "a * b": only when what precedes the star is clearly a value.
    return prev.text == "*" and i >= 2 and (tokens[i - 2].kind == "num" or tokens[i - 2].text == ")")


def is_bounds_check(cond):
    """An ordering comparison, or an (in)equality with a number, a length or a
    limit beside it (`n == 0`, `length != 16`); not a null or status check."""
    def sized(t):
        return t.kind == "num" or (t.kind == "id" and bool(
            LENGTH_NAME.search(t.text) or LIMIT_NAME.match(t.text)))
    for k, t in enumerate(cond):
        if t.text in ("<", "<=", ">", ">="):
            return True
        if t.text in ("==", "!=") and 0 < k < len(cond) - 1:
            left, right = cond[k - 1], cond[k + 1]
            if "NULL" not in (left.text, right.text) and (sized(left) or sized(right)):
                return True
    return False


def find_sites(text, lines_ok, families):
    tokens = tokenize(text)
    mark_function_bodies(tokens)
    mark_templates(tokens)
    statements = split_statements(tokens)

    # Lines of declarations without an initializer carry no logic.
    no_logic = set()
    for st in statements:
        if st.kind == "decl":
            no_logic.update(range(tokens[st.first].line, tokens[st.last].line + 1))
        elif (st.last - st.first == 4 and tokens[st.first].text == "("
              and tokens[st.first + 1].text == "void"):
            no_logic.add(tokens[st.first].line)  # "(void)x;"

    def usable(tok):
        return tok.fn_depth > 0 and tok.line not in no_logic and (
            lines_ok is None or tok.line in lines_ok)

    sites = []

    def add(op, first_tok, start, end, variants):
        variants = [v for v in variants if v != text[start:end]]
        if variants:
            sites.append(Site(op, first_tok.line, start, end, variants))

    for i, tok in enumerate(tokens):
        if not usable(tok):
            continue
        # ror / lcr
        if tok.kind == "op" and tok.text in RELATIONAL and not tok.template:
            add("ror", tok, tok.start, tok.end, [RELATIONAL[tok.text]])
        elif tok.text in ("&&", "||"):
            add("lcr", tok, tok.start, tok.end, ["||" if tok.text == "&&" else "&&"])
        # const
        elif tok.kind == "num":
            digits = tok.text.rstrip("uUlL")
            suffix = tok.text[len(digits):]
            plain = digits.replace("'", "")
            base = 16 if plain[:2].lower() == "0x" else 2 if plain[:2].lower() == "0b" else \
                8 if len(plain) > 1 and plain[0] == "0" else 10
            value = int(plain[2:] if base in (2, 16) else plain, base)
            hexa = base == 16

            def fmt(v):
                return ("0x%X" % v if hexa else "0%o" % v if base == 8 else "%d" % v) + suffix
            variants = [fmt(value + 1)] + ([fmt(value - 1)] if value > 0 else [])
            add("const", tok, tok.start, tok.end, variants)
        elif tok.kind == "id":
            # code
            fam = family_of(tokens, i, families)
            if fam is not None:
                # Only the last part of a qualified name is replaced.
                others = [m.split("::")[-1] for m in families[fam]]
                add("code", tok, tok.start, tok.end, sorted(set(others) - {tok.text}))
                continue
            # endian
            if BYTE_ORDER_HELPER.match(tok.text) and i + 1 < len(tokens) and tokens[i + 1].text == "(":
                close = matching(tokens, i + 1)
                width = BYTE_ORDER_HELPER.match(tok.text).group(2)
                swap = "__builtin_bswap%s" % width
                if "_get_" in tok.text:
                    call = text[tok.start:tokens[close].end]
                    add("endian", tok, tok.start, tokens[close].end, ["%s(%s)" % (swap, call)])
                else:
                    depth, comma = 0, None
                    for k in range(i + 2, close):
                        if tokens[k].text in ("(", "["):
                            depth += 1
                        elif tokens[k].text in (")", "]"):
                            depth -= 1
                        elif tokens[k].text == "," and depth == 0:
                            comma = k
                    if comma is not None:
                        value = text[tokens[comma + 1].start:tokens[close - 1].end]
                        if not re.fullmatch(r"0[uUlL]*", value.strip()):
                            add("endian", tok, tokens[comma + 1].start, tokens[close - 1].end,
                                ["%s((uint%s_t)(%s))" % (swap, width, value)])
                continue
            # len: a length-like name, a named limit, or sizeof X, read as a value
            if tok.text == "sizeof" and value_context(tokens, i):
                j = i + 1
                if j < len(tokens) and tokens[j].text == "(":
                    j = matching(tokens, j)
                else:
                    while j < len(tokens) and tokens[j].text == "*":
                        j += 1
                    j = name_chain_end(tokens, j)
                expr = text[tok.start:tokens[j].end]
                add("len", tok, tok.start, tokens[j].end, ["(%s + 1u)" % expr, "(%s - 1u)" % expr])
                continue
            if i > 0 and tokens[i - 1].text in (".", "->"):
                continue  # inside a chain: handled from its first name
            j = name_chain_end(tokens, i)
            last = tokens[j].text
            if not (LENGTH_NAME.search(last) or LIMIT_NAME.match(last)):
                continue
            nxt = tokens[j + 1].text if j + 1 < len(tokens) else ""
            if nxt in ASSIGN_OPS or nxt in ("++", "--", "(", "[") or not value_context(tokens, i):
                continue
            if tokens[i - 1].text in ("++", "--", "sizeof"):
                continue
            expr = text[tok.start:tokens[j].end]
            add("len", tok, tok.start, tokens[j].end, ["(%s + 1u)" % expr, "(%s - 1u)" % expr])

    # guard: if (<comparison>) { ... failure exit ... } -> if (0)
    for i, tok in enumerate(tokens):
        if tok.text != "if" or not usable(tok) or tokens[i + 1].text != "(":
            continue
        close = matching(tokens, i + 1)
        cond = tokens[i + 2:close]
        if not is_bounds_check(cond):
            continue
        if close + 1 >= len(tokens) or tokens[close + 1].text != "{":
            continue
        block_end = matching(tokens, close + 1)
        inner = [st for st in statements if close + 1 < st.first < block_end
                 and st.depth == tokens[close + 1].fn_depth]
        fails = any(st.kind == "return_fail" for st in inner) or any(
            st.kind == "assign" and tokens[st.last - 1].kind == "id"
            and family_of(tokens, st.last - 1, families)
            and not SUCCESS_NAME.search(tokens[st.last - 1].text) for st in inner)
        if fails:
            add("guard", tok, tokens[i + 2].start, tokens[close - 1].end, ["0"])

    # sdl: delete an assignment, a write, a release or a failure return
    for st in statements:
        first, last = tokens[st.first], tokens[st.last]
        if st.kind not in ("assign", "write", "release", "return_fail") or not usable(first):
            continue
        start, end = first.start, last.end
        # The body of an `if (...)` or `else` without braces becomes an empty block,
        # so that the next statement does not take its place.
        if st.first > 0 and tokens[st.first - 1].text in (")", "else"):
            add("sdl", first, start, end, ["{}"])
            continue
        # Take the whole line(s) when the statement is alone on them.
        line_start = text.rfind("\n", 0, start) + 1
        line_end = text.find("\n", end)
        line_end = len(text) if line_end < 0 else line_end
        if not text[line_start:start].strip() and not text[end:line_end].strip():
            start, end = line_start, min(line_end + 1, len(text))
        add("sdl", first, start, end, [""])
    return sites


# --------------------------------------------------------------------------
# Sampling
# --------------------------------------------------------------------------
def source_files(root, area):
    return sorted(os.path.join(folder, f) for folder in area.sources
                  for f in os.listdir(os.path.join(root, folder)) if f.endswith(area.exts))


def mutant_stream(rel, text, sites, seed):
    """This file's mutants in random order until its sites run out: a random
    operator among those the file has, then a random site of it (on a line
    not used yet, while there are such lines) and a random variant."""
    rng = random.Random("%s:%s" % (seed, rel))
    by_op = {}
    for site in sites:
        by_op.setdefault(site.op, []).append(site)
    used_lines = set()
    while by_op:
        op = rng.choice(sorted(by_op))
        fresh = [s for s in by_op[op] if s.line not in used_lines]
        site = rng.choice(fresh or by_op[op])
        new = site.variants.pop(rng.randrange(len(site.variants)))
        if not site.variants:
            by_op[op].remove(site)
            if not by_op[op]:
                del by_op[op]
        used_lines.add(site.line)
        yield Mutant(rel, site.line, op, site.start, site.end, text[site.start:site.end], new)


def plan(root, build_dir, count, seed, area):
    """Per file: its sites, mutable-line count, quota and mutant stream; and the
    order in which the files take turns (stride scheduling)."""
    files = source_files(root, area)
    texts = {rel: open(os.path.join(root, rel)).read() for rel in files}
    families = harvest_families(texts.values(), area.codes)
    info = {}
    for rel in files:
        ok = compiled_lines(os.path.join(root, rel), build_dir)
        sites = find_sites(texts[rel], ok, families)
        info[rel] = {"sites": sites, "lines": len({s.line for s in sites}), "text": texts[rel]}
    total = sum(v["lines"] for v in info.values())
    # Largest remainder, at least one mutant per file that has a site.
    exact = {rel: count * v["lines"] / total for rel, v in info.items()}
    quota = {rel: max(1 if info[rel]["lines"] else 0, int(x)) for rel, x in exact.items()}
    for rel in sorted(exact, key=lambda r: exact[r] - int(exact[r]), reverse=True):
        if sum(quota.values()) >= count:
            break
        if exact[rel] >= 1:
            quota[rel] += 1
    slots = sorted(((k + 0.5) / quota[rel], rel) for rel in files for k in range(quota[rel]))
    for rel in files:
        info[rel]["quota"] = quota[rel]
        info[rel]["stream"] = mutant_stream(rel, info[rel]["text"], info[rel]["sites"], seed)
    return info, [rel for _, rel in slots]


# --------------------------------------------------------------------------
# Running
# --------------------------------------------------------------------------
def start_limited(cmd, cwd, log, shell=False, env=None):
    return subprocess.Popen(cmd, cwd=cwd, stdout=log, stderr=subprocess.STDOUT,
                            shell=shell, env=env, start_new_session=True)


def stop(proc):
    """Kills a command's whole process group."""
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.wait()


def run_limited(cmd, cwd, timeout, log_path, shell=False, env=None):
    """Runs a command in its own process group; on timeout the whole group is
    killed. Returns (exit status or 'timeout', seconds, output)."""
    start = time.monotonic()
    with open(log_path, "w") as log:
        proc = start_limited(cmd, cwd, log, shell, env)
        try:
            rc = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            stop(proc)
            rc = "timeout"
    with open(log_path, errors="replace") as log:
        output = log.read()
    return rc, time.monotonic() - start, output


def git(root, *args):
    return subprocess.run(["git", "-C", root] + list(args), capture_output=True, text=True,
                          check=True).stdout


def area_targets(args):
    """The ninja targets that match the area's regex (its test programs)."""
    # Configure again first when the tree changed, so that renamed programs are seen.
    subprocess.run(["ninja", "-C", args.build, "build.ninja"], capture_output=True, check=True)
    out = subprocess.run(["ninja", "-C", args.build, "-t", "targets", "all"], capture_output=True,
                         text=True, check=True).stdout
    names = {row.split(":")[0] for row in out.splitlines() if ":" in row}
    targets = sorted(n for n in names if "/" not in n and re.search(args.area.targets, n))
    if not targets:
        sys.exit("no target in %s matches %s" % (args.build, args.area.targets))
    return targets


def build(args, log_path):
    cmd = ["ninja", "-C", args.build, "-j", str(args.jobs)] + args.targets
    return run_limited(cmd, args.root, args.build_timeout, log_path)


def judges(args):
    """{program path: gtest filter or None for all of it}: the ctest tests of the
    area's programs whose names (and labels) match the area's, read from ctest."""
    out = subprocess.run(["ctest", "--test-dir", args.build, "-N", "--show-only=json-v1"],
                         capture_output=True, text=True, check=True).stdout
    chosen, every = {}, {}
    for test in json.loads(out).get("tests", []):
        command = test.get("command") or []
        if not command or os.path.basename(command[0]) not in args.targets:
            continue
        labels = [v for p in test.get("properties", []) if p["name"] == "LABELS" for v in p["value"]]
        gtest = [a.split("=", 1)[1] for a in command[1:] if a.startswith("--gtest_filter=")]
        every.setdefault(command[0], []).append(test["name"])
        if re.search(args.area.tests, test["name"]) and (not args.area.label or args.area.label in labels):
            chosen.setdefault(command[0], []).extend(gtest or ["*"])
    if not chosen:
        sys.exit("no ctest test of %s matches %r" % (", ".join(args.targets), args.area.tests))
    return {program: None if len(names) == len(every[program]) else ":".join(names)
            for program, names in sorted(chosen.items())}


def run_tests(args, log_prefix, limits):
    """Runs the judging programs, --jobs at a time, each under its limit; once one
    fails the others are stopped unless --all-programs. Returns {program: result}."""
    results, waiting, running = {}, list(args.judges), {}
    failed_one = False
    while waiting or running:
        while waiting and len(running) < args.jobs and not (failed_one and not args.all_programs):
            path = waiting.pop(0)
            name = os.path.basename(path)
            cmd = [path, "--gtest_brief=1"]
            if args.judges[path]:
                cmd.append("--gtest_filter=" + args.judges[path])
            log_path = "%s.%s.log" % (log_prefix, name)
            log = open(log_path, "w")
            running[path] = (start_limited(cmd, os.path.dirname(path), log), log, log_path,
                             time.monotonic())
        if not running:
            break
        time.sleep(0.05)
        for path, (proc, log, log_path, t0) in list(running.items()):
            secs = time.monotonic() - t0
            rc = proc.poll()
            if rc is None and secs > limits.get(path, args.test_timeout):
                stop(proc)
                rc = "timeout"
            if rc is None:
                continue
            log.close()
            del running[path]
            with open(log_path, errors="replace") as f:
                out = f.read()
            failed = sorted(set(re.findall(r"^\[  FAILED  \] ([\w/.]+)", out, re.M)))
            results[os.path.basename(path)] = {"rc": rc, "secs": round(secs, 2), "failed": failed[:50]}
            failed_one = failed_one or rc != 0
        if failed_one and not args.all_programs:
            for path, (proc, log, _, _) in running.items():
                stop(proc)
                log.close()
                results[os.path.basename(path)] = {"rc": "stopped", "secs": 0, "failed": []}
            running = {}
    return results


def run_extra(args, log_prefix):
    if not args.extra_suite:
        return None
    env = dict(os.environ)
    tmp = os.path.join(args.out, "tmp")
    os.makedirs(tmp, exist_ok=True)
    env["TMPDIR"] = tmp  # its scratch files stay in our output folder
    cmd = args.extra_suite.replace("{root}", shlex.quote(args.root))
    rc, secs, out = run_limited(cmd, args.root, args.extra_timeout, log_prefix + ".extra.log",
                                shell=True, env=env)
    summary = re.findall(r"^(\d+) passed, (\d+) failed$", out, re.M)
    failed = re.findall(r"^FAIL (\S+?):", out, re.M)
    return {"rc": rc, "secs": round(secs, 2), "summary": list(summary[-1]) if summary else None,
            "failed": failed[:80]}


def killed(programs):
    return any(r["rc"] not in (0, "stopped") for r in programs.values())


def cmd_list(args):
    info, order = plan(args.root, args.build, args.count, args.seed, args.area)
    print("%-14s %6s %6s %5s" % ("file", "lines", "sites", "quota"))
    for rel, v in info.items():
        print("%-14s %6d %6d %5d" % (os.path.basename(rel), v["lines"], len(v["sites"]), v["quota"]))
    streams = {rel: info[rel]["stream"] for rel in info}
    for n, rel in enumerate(order, 1):
        m = next(streams[rel])
        print("%3d %s:%d %-6s %s" % (n, os.path.basename(m.file), m.line, m.op, m.describe()))


def sampled(args):
    """(slot, file's mutant stream) pairs in the order the files take turns."""
    info, order = plan(args.root, args.build, args.count, args.seed, args.area)
    streams = {rel: info[rel]["stream"] for rel in info}
    return [(slot, streams[rel]) for slot, rel in enumerate(order, 1)]


def replayed(args):
    """The scored mutants of an earlier run, found again in today's sources: at
    the same offset, else the same text on the line nearest to the old one."""
    slots = {}
    for r in map(json.loads, open(args.replay)):
        if r["outcome"] != "scored" or (args.only_killed and not r["killed_by_tests"]):
            continue
        path = os.path.join(args.root, r["file"])
        if not os.path.exists(path):  # moved or deleted since: nothing to mutate here
            print("%s %s:%d %s: the file is gone" % (r["id"], r["file"], r["line"], r["op"]))
            continue
        text = open(path).read()
        start = r.get("start", -1)
        if text[start:start + len(r["old"])] != r["old"]:
            found = [m.start() for m in re.finditer(re.escape(r["old"]), text)] if r["old"] else []
            start = min(found, key=lambda k: abs(text.count("\n", 0, k) + 1 - r["line"]), default=None)
        if start is None:
            print("%s %s:%d %s: not found in today's source" % (r["id"], r["file"], r["line"], r["op"]))
            continue
        line = text.count("\n", 0, start) + 1
        slots[r["slot"]] = [Mutant(r["file"], line, r["op"], start, start + len(r["old"]), r["old"], r["new"])]
    return sorted((slot, iter(mutants)) for slot, mutants in slots.items())


def cmd_run(args):
    os.makedirs(os.path.join(args.out, "mutants"), exist_ok=True)
    os.makedirs(os.path.join(args.out, "logs"), exist_ok=True)
    results_path = os.path.join(args.out, "results.jsonl")
    for folder in args.area.sources:
        if git(args.root, "status", "--porcelain", "--", folder).strip():
            sys.exit("the sources under %s have local changes: refusing to mutate" % folder)
    with open(os.path.join(args.out, "meta.json"), "w") as f:
        json.dump({"area": args.area_name, "seed": args.seed, "count": args.count,
                   "replay": args.replay, "commit": git(args.root, "rev-parse", "HEAD").strip(),
                   "started": time.strftime("%Y-%m-%d %H:%M:%S UTC", time.gmtime())}, f)
    slots = replayed(args) if args.replay else sampled(args)

    # Baseline: everything must pass on the unmutated tree.
    t0 = time.monotonic()
    rc, secs, out = build(args, os.path.join(args.out, "logs", "baseline.build.log"))
    if rc != 0:
        sys.exit("baseline build failed; see logs/baseline.build.log")
    args.judges = judges(args)
    base = run_tests(args, os.path.join(args.out, "logs", "baseline"), {})
    extra = run_extra(args, os.path.join(args.out, "logs", "baseline"))
    if killed(base) or (extra is not None and extra["rc"] != 0):
        sys.exit("baseline does not pass: %s %s" % (base, extra))
    # A program that takes thrice its baseline time (and at least --test-timeout) hangs.
    limits = {p: max(args.test_timeout, 3 * base[os.path.basename(p)]["secs"]) for p in args.judges}
    print("baseline: build %.1fs, tests %.1fs, extra %s (total %.1fs); judged by %s" % (
        secs, sum(r["secs"] for r in base.values()), extra and extra["secs"],
        time.monotonic() - t0, ", ".join(
            os.path.basename(p) + ("" if f is None else " (some)") for p, f in args.judges.items())),
        flush=True)

    deadline = time.monotonic() + args.budget_min * 60
    number = 0
    with open(results_path, "a") as results:
        for slot, stream in slots:
            if time.monotonic() > deadline:
                print("time budget spent after %d slots" % (slot - 1), flush=True)
                break
            while True:  # draw from this file until a mutant compiles
                mutant = next(stream, None)
                if mutant is None:
                    break
                number += 1
                record = run_one(args, mutant, number, slot, limits)
                results.write(json.dumps(record) + "\n")
                results.flush()
                print(one_line(record), flush=True)
                if record["outcome"] != "discarded":
                    break
    # Leave the build matching the restored tree.
    build(args, os.path.join(args.out, "logs", "final.build.log"))


def run_one(args, mutant, number, slot, limits):
    ident = "M%03d" % number
    path = os.path.join(args.root, mutant.file)
    with open(path) as f:
        original = f.read()
    assert original[mutant.start:mutant.end] == mutant.old, "source changed under the sampler"
    stem = "%s-%s-L%d-%s" % (ident, os.path.basename(mutant.file), mutant.line, mutant.op)
    log_prefix = os.path.join(args.out, "logs", stem)
    record = {"id": ident, "slot": slot, "file": mutant.file, "line": mutant.line,
              "op": mutant.op, "change": mutant.describe(), "old": mutant.old, "new": mutant.new,
              "start": mutant.start}
    t0 = time.monotonic()
    try:
        with open(path, "w") as f:
            f.write(original[:mutant.start] + mutant.new + original[mutant.end:])
        with open(os.path.join(args.out, "mutants", stem + ".diff"), "w") as f:
            f.write(git(args.root, "diff", "--", mutant.file))
        rc, secs, out = build(args, log_prefix + ".build.log")
        record["build_secs"] = round(secs, 2)
        if rc != 0:
            record["outcome"] = "discarded"
            errors = [l for l in out.splitlines() if "error:" in l]
            record["build_error"] = errors[0][-300:] if errors else "build exit status %s" % rc
        else:
            record["tests"] = run_tests(args, log_prefix, limits)
            record["extra"] = run_extra(args, log_prefix)
            record["outcome"] = "scored"
            record["killed_by_tests"] = killed(record["tests"])
            if record["extra"] is not None:
                record["killed_by_extra"] = record["extra"]["rc"] != 0
    finally:
        git(args.root, "checkout", "--", mutant.file)
    record["cycle_secs"] = round(time.monotonic() - t0, 2)
    return record


def one_line(r):
    if r["outcome"] == "discarded":
        verdict = "discarded (does not compile)"
    else:
        verdict = "tests:%s" % ("KILLED" if r["killed_by_tests"] else "survived")
        if "killed_by_extra" in r:
            verdict += " extra:%s" % ("KILLED" if r["killed_by_extra"] else "survived")
    return "%s %s:%d %-6s %-60s %s (%.0fs)" % (r["id"], os.path.basename(r["file"]), r["line"],
                                                r["op"], r["change"][:60], verdict, r["cycle_secs"])


def cmd_report(args):
    rows = [json.loads(l) for l in open(os.path.join(args.out, "results.jsonl"))]
    scored = [r for r in rows if r["outcome"] == "scored"]
    n = len(scored)
    if not n:
        sys.exit("nothing scored yet")
    has_extra = all("killed_by_extra" in r for r in scored)
    meta_path = os.path.join(args.out, "meta.json")
    if os.path.exists(meta_path):
        meta = json.load(open(meta_path))
        print("area %s, seed %s, count %s%s, commit %s, started %s" % (
            meta["area"], meta["seed"], meta["count"],
            ", replaying %s" % meta["replay"] if meta.get("replay") else "", meta["commit"],
            meta["started"]))

    def rate(rs):
        return "%d/%d (%.0f%%)" % (len(rs), n, 100.0 * len(rs) / n)
    print("scored %d, discarded %d (did not compile)" % (n, len(rows) - n))
    print("killed by the test programs: %s" % rate([r for r in scored if r["killed_by_tests"]]))
    if has_extra:
        print("killed by the extra suite:   %s" % rate([r for r in scored if r["killed_by_extra"]]))
        print("killed by either:            %s" % rate(
            [r for r in scored if r["killed_by_tests"] or r["killed_by_extra"]]))

    print("\nper operator: scored, killed by the test programs%s" % (", by the extra suite" if has_extra else ""))
    for op in sorted({r["op"] for r in scored}):
        rs = [r for r in scored if r["op"] == op]
        extra = " %3d" % sum(r["killed_by_extra"] for r in rs) if has_extra else ""
        print("  %-7s %3d %3d%s" % (op, len(rs), sum(r["killed_by_tests"] for r in rs), extra))

    print("\nper test program: kills, kills no other program makes (ids)")
    print("  (a program stopped once another had killed the mutant counts as passing)")
    programs = sorted({p for r in scored for p in r["tests"]})

    def kills_it(r, p):
        return r["tests"].get(p, {"rc": 0})["rc"] not in (0, "stopped")
    for program in programs:
        kills = [r for r in scored if kills_it(r, program)]
        unique = [r for r in kills if not any(kills_it(r, p) for p in programs if p != program)]
        print("  %-38s %3d  %3d  %s" % (program, len(kills), len(unique),
                                        " ".join(r["id"] for r in unique)))

    def verdict(r):
        return "" if not has_extra else (
            "  (extra suite: killed)" if r["killed_by_extra"] else "  (extra suite: survived)")
    print("\nkilled by (program: first failing tests):")
    for r in scored:
        if r["killed_by_tests"]:
            print("  %s %s:%d %s: %s" % (r["id"], r["file"], r["line"], r["op"], killers(r)))
    print("\nsurvivors of the test programs:")
    for r in scored:
        if not r["killed_by_tests"]:
            print("  %s %s:%d %s %s%s" % (r["id"], r["file"], r["line"], r["op"], r["change"], verdict(r)))
    if has_extra:
        print("\nsurvivors of the extra suite:")
        for r in scored:
            if not r["killed_by_extra"]:
                print("  %s %s:%d %s %s%s" % (r["id"], r["file"], r["line"], r["op"], r["change"],
                                              "" if r["killed_by_tests"] else "  (test programs: survived)"))
    print("\ndiscarded:")
    for r in rows:
        if r["outcome"] == "discarded":
            print("  %s %s:%d %s %s: %s" % (r["id"], r["file"], r["line"], r["op"], r["change"],
                                            r.get("build_error", "")[-160:]))
    for key, label in (("cycle_secs", "cycle"), ("build_secs", "build")):
        secs = sorted(r[key] for r in scored)
        print("%s: mean %.1fs, median %.1fs, min %.1fs, max %.1fs" % (
            label, sum(secs) / n, secs[n // 2], secs[0], secs[-1]))


def killers(r):
    """The programs that killed a mutant, with the first tests that failed (or how
    the program ended when no test reported a failure: a crash or a time-out)."""
    out = []
    for program, t in sorted(r["tests"].items()):
        if t["rc"] not in (0, "stopped"):
            out.append("%s[%s]" % (program, " ".join(t["failed"][:3]) or "exit %s" % t["rc"]))
    return "; ".join(out)


def cmd_compare(args):
    """Mutants scored in both runs (matched by file, slot and change): those the
    old run killed and the new one lets survive are faults the tests lost."""
    def load(path):
        return {(r["slot"], r["file"], r["op"], r["old"], r["new"]): r
                for r in map(json.loads, open(path)) if r["outcome"] == "scored"}
    old, new = load(args.paths[0]), load(args.paths[1])
    both = [k for k in old if k in new]
    lost = [k for k in both if old[k]["killed_by_tests"] and not new[k]["killed_by_tests"]]
    gained = [k for k in both if not old[k]["killed_by_tests"] and new[k]["killed_by_tests"]]
    for label, rows in (("old", old), ("new", new)):
        n = sum(rows[k]["killed_by_tests"] for k in both)
        print("%s: killed %d/%d of the mutants scored in both (%.0f%%)" % (
            label, n, len(both), 100.0 * n / max(1, len(both))))
    missing = [k for k in old if k not in new]
    print("scored in the old run only: %d %s" % (len(missing), " ".join(old[k]["id"] for k in missing)))
    print("\nLOST (killed before, surviving now): %d" % len(lost))
    for k in lost:
        r = old[k]
        print("  %s %s:%d (now line %d) %s %s\n      killed before by %s" % (
            r["id"], r["file"], r["line"], new[k]["line"], r["op"], r["change"], killers(r)))
    print("\nGAINED (surviving before, killed now): %d" % len(gained))
    for k in gained:
        r = new[k]
        print("  %s (now %s) %s:%d %s %s, killed by %s" % (old[k]["id"], r["id"], r["file"], r["line"],
                                                         r["op"], r["change"], killers(r)))


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("command", choices=["list", "run", "report", "compare"])
    p.add_argument("paths", nargs="*", help="compare: the old and the new results.jsonl")
    p.add_argument("--area", default="client", choices=sorted(AREAS))
    p.add_argument("--root", default=DEFAULT_ROOT, help="source tree (a git checkout)")
    p.add_argument("--build", default=DEFAULT_BUILD, help="configured CMake/Ninja build folder")
    p.add_argument("--out", default=None, help="folder for mutants/, logs/, results.jsonl "
                   "(default: BUILD/results-AREA)")
    p.add_argument("--count", type=int, default=60, help="mutants to score")
    p.add_argument("--seed", default="20240601")
    p.add_argument("--jobs", type=int, default=2, help="ninja -j")
    p.add_argument("--budget-min", type=float, default=75.0, help="stop starting mutants after this")
    p.add_argument("--build-timeout", type=int, default=900)
    p.add_argument("--test-timeout", type=int, default=30,
                   help="seconds per test program (at least; thrice its baseline time)")
    p.add_argument("--all-programs", action="store_true",
                   help="run every program on every mutant instead of stopping at the first kill")
    p.add_argument("--replay", default=None, help="results.jsonl of an earlier run: its scored mutants")
    p.add_argument("--only-killed", action="store_true",
                   help="with --replay: only the mutants that run killed (the faults that can be lost)")
    p.add_argument("--extra-suite", default=None, help="shell command; {root} = the source tree")
    p.add_argument("--extra-timeout", type=int, default=240)
    args = p.parse_args()
    if (args.command == "compare") != (len(args.paths) == 2):
        p.error("compare takes two results.jsonl files, the other commands none")
    args.area_name, args.area = args.area, AREAS[args.area]
    args.out = args.out or os.path.join(args.build, "results-" + args.area_name)
    args.root, args.build, args.out = (os.path.abspath(x) for x in (args.root, args.build, args.out))
    if args.command == "run":
        args.targets = area_targets(args)
    {"list": cmd_list, "run": cmd_run, "report": cmd_report, "compare": cmd_compare}[args.command](args)


if __name__ == "__main__":
    main()
