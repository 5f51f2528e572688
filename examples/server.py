"""A small backend that describes its web API to tolv.

tolv imports the object named by --app (here `server:bridge`) and prints what
its dump_schema_json() returns. The API itself, kept in schema.json beside
this file, has every kind of endpoint (commands, channels, single and
multi-file uploads, static routes, websockets with events), models whose keys
are renamed on the wire, enumerations, and optional and nullable values.

    tolv gen typescript --target python --app server:bridge --out generated/ts
    tolv gen effect --target python --app server:bridge --out generated/effect
    tolv schema dump -- python3 server.py
"""

import json
from pathlib import Path

SCHEMA_PATH = Path(__file__).with_name("schema.json")


class Bridge:
    """Hands the API description to the code generator."""

    def __init__(self, schema_path: Path = SCHEMA_PATH) -> None:
        self._schema = json.loads(schema_path.read_text(encoding="utf-8"))

    def endpoint_names(self) -> list[str]:
        return sorted(self._schema.get("endpoints", {}))

    def dump_schema_json(self) -> str:
        return json.dumps(self._schema, indent=2)


bridge = Bridge()
app = bridge

if __name__ == "__main__":
    print(bridge.dump_schema_json())
