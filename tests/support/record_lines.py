"""The upgrade record's lines, as the batch and window tests read them: the
program's record file under the test's private XDG_STATE_HOME."""
import json
import os


def records():
    """The record's lines, oldest first; none before the first upgrade."""
    path = os.path.join(os.environ["XDG_STATE_HOME"], "orvex-programmer", "upgrades.jsonl")
    try:
        with open(path) as f:
            return [json.loads(line) for line in f if line.strip()]
    except FileNotFoundError:
        return []


def flat(record):
    """A record line's fields, a nested object's as "adapter.serial"."""
    fields = {}
    for key, value in record.items():
        if isinstance(value, dict):
            fields.update({f"{key}.{inner}": v for inner, v in value.items()})
        else:
            fields[key] = value
    return fields
