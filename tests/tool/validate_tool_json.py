#!/usr/bin/env python3
"""Validates the tamo-sound JSON document on standard input against the schema.

    validate_tool_json.py SCHEMA < document

Exit status 0 when it follows the schema, 2 when it is no JSON document;
otherwise 1, and every violation is printed with the path of its member. The document's kind is picked first,
so that a failure names the member rather than "not valid under any of the
given schemas". Uses Python's jsonschema (Debian: python3-jsonschema).
"""
import json
import sys

import jsonschema


def main(schema_path):
    with open(schema_path, encoding="utf-8") as file:
        schema = json.load(file)
    jsonschema.Draft202012Validator.check_schema(schema)
    try:
        document = json.load(sys.stdin)
    except ValueError as error:
        print("not one JSON document:", error)
        return 2
    kind = "session" if "results" in document else "usage_error" if "error" in document else "versions"
    picked = {key: value for key, value in schema.items() if key != "oneOf"}
    picked["$ref"] = "#/$defs/" + kind
    for pick in (picked, schema):
        errors = list(jsonschema.Draft202012Validator(pick).iter_errors(document))
        for error in errors:
            print("/".join(str(part) for part in error.absolute_path), error.message)
        if errors:
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
