#!/usr/bin/env python3
"""The README's reference of tamo-sound's JSON, written from tamo-sound.schema.json.

    schema_reference.py SCHEMA               print the reference
    schema_reference.py SCHEMA --check FILE  exit 1 unless FILE holds it between the markers
    schema_reference.py SCHEMA --update FILE write it between the markers

The schema is the one source: the README shows what it says, so the two
cannot drift apart.
"""
import json
import sys

BEGIN = "<!-- JSON reference: written by schema_reference.py from tamo-sound.schema.json; do not edit -->"
END = "<!-- end of the JSON reference -->"


def type_of(member):
    if "$ref" in member:
        name = member["$ref"].rsplit("/", 1)[-1]
        return "[`%s`](#json-%s)" % (name, name.replace("_", "-"))
    if "const" in member:
        return "`%s`" % json.dumps(member["const"])
    if "enum" in member:
        return " \\| ".join("`%s`" % json.dumps(value) for value in member["enum"])
    if "oneOf" in member:
        return " or ".join(type_of(choice) for choice in member["oneOf"])
    kinds = member.get("type", "any")
    kinds = kinds if isinstance(kinds, list) else [kinds]
    text = " or ".join(kinds)
    if "items" in member:
        text = "array of " + type_of(member["items"])
    return text


def description_of(member, definitions):
    if "description" in member:
        return member["description"]
    if "$ref" in member:
        return definitions[member["$ref"].rsplit("/", 1)[-1]].get("description", "")
    return ""


def rows(prefix, member_name, member, required, definitions):
    always = "" if member_name in required else " (optional)"
    text = description_of(member, definitions).replace("|", "\\|")
    kind = type_of(member)
    if "minimum" in member and "maximum" in member:
        kind += " (%s to %s)" % (member["minimum"], member["maximum"])
    lines = ["| `%s%s`%s | %s | %s |" % (prefix, member_name, always, kind, text)]
    # An object written in place: its members follow, named by their path.
    inner = set(member.get("required", []))
    for inner_name, inner_member in member.get("properties", {}).items():
        lines += rows(prefix + member_name + ".", inner_name, inner_member, inner, definitions)
    return lines


def reference(schema):
    definitions = schema["$defs"]
    lines = [BEGIN, "", schema["description"], ""]
    # The documents first, then what they are made of.
    documents = [choice["$ref"].rsplit("/", 1)[-1] for choice in schema["oneOf"]]
    order = documents + [name for name in definitions if name not in documents]
    for name in order:
        definition = definitions[name]
        lines.append('<a id="json-%s"></a>' % name.replace("_", "-"))
        lines.append("**`%s`**: %s" % (name, definition.get("description", "")))
        lines.append("")
        members = dict(definition.get("properties", {}))
        if "$ref" in definition and "properties" in definition:
            lines.append("Also every member of %s." % type_of(definition))
            lines.append("")
        if not members:
            kind = type_of({k: v for k, v in definition.items() if k != "description"})
            if "minimum" in definition and "maximum" in definition:
                kind += " (%s to %s)" % (definition["minimum"], definition["maximum"])
            if "pattern" in definition:
                kind += " matching `%s`" % definition["pattern"]
            lines.append("Type: %s." % kind)
            lines.append("")
            continue
        required = set(definition.get("required", []))
        lines.append("| Member | Type | Meaning |")
        lines.append("|---|---|---|")
        for member_name, member in members.items():
            lines += rows("", member_name, member, required, definitions)
        lines.append("")
    lines.append(END)
    return "\n".join(lines) + "\n"


def between_markers(text):
    start = text.index(BEGIN)
    end = text.index(END) + len(END) + 1
    return start, end


def main(arguments):
    with open(arguments[0], encoding="utf-8") as file:
        wanted = reference(json.load(file))
    if len(arguments) == 1:
        sys.stdout.write(wanted)
        return 0
    mode, path = arguments[1], arguments[2]
    with open(path, encoding="utf-8") as file:
        text = file.read()
    start, end = between_markers(text)
    if mode == "--check":
        if text[start:end] != wanted:
            sys.stderr.write("%s: the JSON reference differs from the schema; run\n"
                             "  tools/tamo-sound/schema_reference.py tools/tamo-sound/tamo-sound.schema.json "
                             "--update %s\n" % (path, path))
            return 1
        return 0
    with open(path, "w", encoding="utf-8") as file:
        file.write(text[:start] + wanted + text[end:])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
