#!/usr/bin/env python3
"""Checks that a shared library exports the names of the public headers and nothing else.

check_exports.py LIBRARY HEADER_DIR

Every defined dynamic symbol of LIBRARY is reduced to the outermost name that is not a
namespace (for Port::FileName::GetExtension, Port::FileName; for UT_STR::format, UT_STR; for a
C function, the function), and that name must be a class, function or variable that the headers
of HEADER_DIR declare at namespace scope. The test-control entries of the platform layer
(Port_Test...) are exported on purpose. Prints the strays, demangled, and fails when there are
any; also fails when a public name declared in a header is missing from the library's exports
entirely (a class without its export mark).
"""
import os
import re
import subprocess
import sys

ALLOWED_PREFIXES = ("Port_Test",)

# ---------------------------------------------------------------------------------------------
# The headers: namespaces, and the classes, functions and variables declared at namespace scope.

KEYWORDS = {
    "if", "for", "while", "switch", "return", "sizeof", "alignof", "decltype", "static_assert",
    "noexcept", "throw", "operator", "defined", "alignas",
}


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    text = re.sub(r'"(?:\\.|[^"\\])*"', '""', text)  # extern "C" reads as extern " "
    text = re.sub(r"'(?:\\.|[^'\\])*'", "''", text)
    # Preprocessor lines (continuations included) declare nothing.
    text = re.sub(r"^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", " ", text, flags=re.M)
    return text


EXPORT_MACRO = re.compile(r"^[A-Z][A-Z0-9_]*_API$")
TOKEN = re.compile(r"[A-Za-z_][A-Za-z_0-9]*|::|\d[\w.]*|\S")


def parse_header(text, namespaces, public):
    """Adds the namespaces (qualified) and public names (qualified) declared in text."""
    tokens = TOKEN.findall(strip_comments(text))
    # Each open brace is a scope: ("ns", qualified name), ("class", qualified name) or ("other",).
    scopes = []
    statement = []  # tokens since the last ; { or } at the current scope

    def namespace_prefix():
        names = [s[1] for s in scopes if s[0] == "ns" and s[1]]
        return names[-1] + "::" if names else ""

    def at_namespace_scope():
        return all(s[0] in ("ns", "extern") for s in scopes)

    def declare_from(stmt, opening_brace):
        """Records what a namespace-scope statement declares."""
        if not stmt:
            return None
        prefix = namespace_prefix()
        stmt = [t for t in stmt if not EXPORT_MACRO.match(t)]
        if not stmt:
            return None
        # Drop a leading template header.
        if stmt[0] == "template":
            depth, i = 0, 1
            while i < len(stmt):
                if stmt[i] == "<":
                    depth += 1
                elif stmt[i] == ">":
                    depth -= 1
                    if depth == 0:
                        break
                i += 1
            stmt = stmt[i + 1:]
            if not stmt:
                return None
        if stmt[0] == "namespace":
            name = stmt[1] if len(stmt) > 1 and stmt[1] != "{" else ""
            if name:
                namespaces.add(prefix + name)
            return ("ns", prefix + name)
        if stmt[0] == "extern" and len(stmt) > 1 and stmt[1] == '"' and opening_brace:
            return ("extern",)
        if stmt[0] in ("class", "struct", "union") and len(stmt) > 1:
            # class Name [final] [: bases] {, or class Name<args> { for a specialization.
            names = []
            for tok in stmt[1:]:
                if tok in (":", "{", "<"):
                    break
                if re.match(r"[A-Za-z_]\w*$", tok) and tok != "final":
                    names.append(tok)
            if names and opening_brace:
                public.add(prefix + names[-1])
                return ("class", prefix + names[-1])
            return ("other",)
        if stmt[0] in ("enum", "typedef", "using", "static_assert", "friend") or stmt[:2] == [
                "extern", "template"]:
            return ("other",)
        # A function (name followed by '(') or a variable (extern ... name ; or [ or =).
        paren = stmt.index("(") if "(" in stmt else -1
        if paren > 0:
            i = paren - 1
            if stmt[i] in ("operator",) or (i > 0 and stmt[i - 1] == "operator"):
                public.add(prefix + "operator")
            elif re.match(r"[A-Za-z_]\w*$", stmt[i]) and stmt[i] not in KEYWORDS:
                if not (i > 0 and stmt[i - 1] == "::"):  # an out-of-class member definition
                    public.add(prefix + stmt[i])
        elif stmt[0] == "extern" and not opening_brace:
            declarator = stmt[: stmt.index("[")] if "[" in stmt else stmt
            idents = [t for t in declarator if re.match(r"[A-Za-z_]\w*$", t)]
            if idents:
                public.add(prefix + idents[-1])
        return ("other",)

    for tok in tokens:
        if tok == "{":
            scope = declare_from(statement, True) if at_namespace_scope() else ("other",)
            scopes.append(scope or ("other",))
            statement = []
        elif tok == "}":
            if scopes:
                scopes.pop()
            statement = []
        elif tok == ";":
            if at_namespace_scope():
                declare_from(statement, False)
            statement = []
        else:
            statement.append(tok)


# ---------------------------------------------------------------------------------------------
# The library: the leading names of each mangled symbol.

def source_name(s, i):
    m = re.match(r"\d+", s[i:])
    if not m:
        return None, i
    n = int(m.group())
    start = i + len(m.group())
    return s[start:start + n], start + n


OPERATOR = re.compile(r"(?:[a-z][a-z]|v\d)")


def leading_names(sym):
    """Yields the components of the symbol's name from the outside in, as far as they are plain
    names ("operator" for an operator, then stops)."""
    s = sym[2:]
    # Special names: vtable, VTT, typeinfo and its name, thunks, guard variables, local entities.
    while True:
        if s[:2] in ("TV", "TT", "TI", "TS"):
            s = s[2:]
        elif s[:2] in ("Th", "Tv"):
            s = re.sub(r"^T[hv](?:n?\d+_)+", "", s)
        elif s[:2] in ("GV", "GR"):
            s = s[2:]
        elif s[:1] == "Z":  # _ZZ <encoding> E <entity>: the enclosing function names it
            s = s[1:]
        elif s[:1] == "L":
            s = s[1:]
        else:
            break
    if s.startswith("N"):
        s = s[1:]
        while s and s[0] in "rVKRO":
            s = s[1:]
    i = 0
    if s.startswith("St"):
        yield "std"
        i = 2
    while i < len(s):
        if s[i].isdigit():
            name, i = source_name(s, i)
            yield name
        elif OPERATOR.match(s, i) and not s.startswith(("St", "Sa", "Sb", "Ss"), i):
            yield "operator"
            return
        else:
            return


def top_name(sym, namespaces):
    # AddressSanitizer gives each exported variable an indicator named after it.
    if sym.startswith("__odr_asan."):
        sym = sym[len("__odr_asan."):]
    if not sym.startswith("_Z"):
        return sym
    qualified = ""
    for part in leading_names(sym):
        qualified = qualified + "::" + part if qualified else part
        if qualified not in namespaces and qualified != "std":
            return qualified
    return qualified or sym


def main():
    library, header_dir = sys.argv[1], sys.argv[2]
    namespaces, public = set(), set()
    for entry in sorted(os.listdir(header_dir)):
        if entry.endswith(".h"):
            with open(os.path.join(header_dir, entry), encoding="utf-8", errors="replace") as f:
                parse_header(f.read(), namespaces, public)
    if len(public) < 50:
        sys.exit(f"only {len(public)} public names found in {header_dir}: the header scan broke")

    out = subprocess.run(["nm", "-D", "--defined-only", library], check=True,
                         capture_output=True, text=True).stdout
    symbols = [line.split()[-1].split("@")[0] for line in out.splitlines() if line.split()]
    strays, exported = [], set()
    for sym in symbols:
        name = top_name(sym, namespaces)
        exported.add(name)
        if name not in public and not name.startswith(ALLOWED_PREFIXES):
            strays.append((name, sym))
    print(f"{len(symbols)} exported symbols, {len(public)} public names declared")
    failed = False
    if strays:
        failed = True
        demangled = subprocess.run(["c++filt"], input="\n".join(s for _, s in strays),
                                   capture_output=True, text=True).stdout.splitlines()
        by_name = {}
        for (name, _), text in zip(strays, demangled):
            by_name.setdefault(name, []).append(text)
        print(f"{len(strays)} exported symbols outside the public headers:")
        for name in sorted(by_name):
            print(f"  {name} ({len(by_name[name])}), e.g. {by_name[name][0]}")
    # A public name whose code is in the library (its static symbol table) but none of it
    # exported lacks its export mark: a program that uses it does not link.
    out = subprocess.run(["nm", "--defined-only", library], check=True, capture_output=True,
                         text=True).stdout
    present = {top_name(line.split()[-1].split(".")[0], namespaces)
               for line in out.splitlines() if len(line.split()) == 3}
    hidden = sorted((present & public) - exported)
    if hidden:
        failed = True
        print(f"{len(hidden)} public names defined in the library but not exported:")
        for name in hidden:
            print(f"  {name}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
