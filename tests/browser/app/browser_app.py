"""Schema of the backend that the browser tests talk to.

The HTTP side of this backend lives in ../server.mjs; this module only
describes its API, the way a Bridge object of a real application would, so
that `tolv gen --app browser_app:app` can generate clients for it.
"""

import json


def prim(name, optional=False, nullable=False):
    return {"kind": "primitive", "name": name, "optional": optional, "nullable": nullable}


def model(name):
    return {"kind": "model", "name": name}


def array(inner):
    return {"kind": "array", "inner": [inner]}


def field(source, wire, ty, required=True):
    return {"sourceName": source, "wireName": wire, "ty": ty, "required": required}


def param(source, wire, ty, required=True):
    return {"sourceName": source, "wireName": wire, "ty": ty, "required": required}


def event(name, ty):
    return {"sourceName": name, "wireName": name, "ty": ty, "required": True}


MODELS = {
    "user_profile": {
        "name": "user_profile",
        "fields": [
            field("user_id", "userId", prim("int")),
            field("display_name", "displayName", prim("str")),
            field("is_active", "isActive", prim("bool")),
            field("tags", "tags", array(prim("str"))),
        ],
    },
    "user_filter": {
        "name": "user_filter",
        "fields": [
            field("name_prefix", "namePrefix", prim("str")),
            field("max_results", "maxResults", prim("int")),
        ],
    },
    "team": {
        "name": "team",
        "fields": [
            field("team_name", "teamName", prim("str")),
            field("members", "members", array(model("user_profile"))),
        ],
    },
    "progress_event": {
        "name": "progress_event",
        "fields": [
            field("step_index", "stepIndex", prim("int")),
            field("total_steps", "totalSteps", prim("int")),
            field("label", "label", prim("str")),
        ],
    },
    "upload_receipt": {
        "name": "upload_receipt",
        "fields": [
            field("file_count", "fileCount", prim("int")),
            field("total_bytes", "totalBytes", prim("int")),
            field("file_names", "fileNames", array(prim("str"))),
            field("received_args", "receivedArgs", {"kind": "any"}),
        ],
    },
    "chat_message": {
        "name": "chat_message",
        "fields": [
            field("sender_name", "senderName", prim("str")),
            field("message_text", "messageText", prim("str")),
        ],
    },
}

ENDPOINTS = {
    "get_user": {
        "name": "get_user",
        "kind": "rpc",
        "doc": "One user by id; unknown ids answer NOT_FOUND.",
        "params": [param("user_id", "userId", prim("int"))],
        "returns": model("user_profile"),
    },
    "list_users": {
        "name": "list_users",
        "kind": "rpc",
        "params": [param("query_filter", "filter", model("user_filter"))],
        "returns": array(model("user_profile")),
    },
    "get_team": {
        "name": "get_team",
        "kind": "rpc",
        "returns": model("team"),
    },
    "ping": {
        "name": "ping",
        "kind": "rpc",
        "returns": {"kind": "void"},
    },
    "malformed_user": {
        "name": "malformed_user",
        "kind": "rpc",
        "doc": "Answers a user whose fields have the wrong types.",
        "returns": model("user_profile"),
    },
    "flaky_count": {
        "name": "flaky_count",
        "kind": "rpc",
        "doc": "Fails with 503 for the first fail_times attempts of a key, then answers the attempt number.",
        "params": [
            param("attempt_key", "attemptKey", prim("str")),
            param("fail_times", "failTimes", prim("int")),
        ],
        "returns": prim("int"),
    },
    "attempt_count": {
        "name": "attempt_count",
        "kind": "rpc",
        "params": [param("attempt_key", "attemptKey", prim("str"))],
        "returns": prim("int"),
    },
    "watch_progress": {
        "name": "watch_progress",
        "kind": "channel",
        "params": [param("total_steps", "totalSteps", prim("int"))],
        "returns": {"kind": "void"},
        "channelItem": model("progress_event"),
    },
    "failing_stream": {
        "name": "failing_stream",
        "kind": "channel",
        "returns": {"kind": "void"},
        "channelItem": model("progress_event"),
    },
    "upload_avatar": {
        "name": "upload_avatar",
        "kind": "upload",
        "params": [param("user_id", "userId", prim("int"))],
        "returns": model("upload_receipt"),
        "fileParam": "avatar",
        "multiFile": False,
    },
    "upload_documents": {
        "name": "upload_documents",
        "kind": "upload",
        "params": [
            param("folder_name", "folderName", prim("str")),
            param("search_hint", "searchHint", model("user_filter"), required=False),
        ],
        "returns": model("upload_receipt"),
        "fileParam": "documents",
        "multiFile": True,
    },
    "slow_upload": {
        "name": "slow_upload",
        "kind": "upload",
        "doc": "Never answers; used to abort uploads in flight.",
        "returns": model("upload_receipt"),
        "multiFile": False,
    },
    "download_report": {
        "name": "download_report",
        "kind": "static",
        "params": [
            param("year_num", "year", prim("int")),
            param("file_format", "format", prim("str"), required=False),
        ],
        "returns": {"kind": "void"},
    },
    "chat": {
        "name": "chat",
        "kind": "ws",
        "returns": {"kind": "void"},
        "serverEvents": [
            event("message_received", model("chat_message")),
            event("user_joined", prim("str")),
        ],
        "clientEvents": [
            event("send_message", model("chat_message")),
        ],
    },
}


class Bridge:
    def dump_schema_json(self):
        return json.dumps({"endpoints": ENDPOINTS, "models": MODELS, "enums": {}})


app = Bridge()
