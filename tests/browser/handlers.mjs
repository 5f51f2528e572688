// What each endpoint of the example backend (examples/schema.json) does in
// the test server. The HTTP plumbing lives in server.mjs; these functions see
// plain arguments keyed by the backend's own (source) names and answer in
// those names too, as the real backend would.

export class HttpFailure extends Error {
  constructor(status, code, message, details) {
    super(message);
    this.status = status;
    this.body = { code, message, details };
  }
}

const isObject = (v) => v !== null && typeof v === "object" && !Array.isArray(v);

/** Rejects arguments whose keys are not the expected source names. */
function expectKeys(args, required, optional = [], what = "arguments") {
  if (!isObject(args)) throw new HttpFailure(400, "BAD_ARGS", `${what} must be an object`, { received: args });
  const keys = Object.keys(args);
  const allowed = new Set([...required, ...optional]);
  const missing = required.filter((k) => !(k in args));
  const unknown = keys.filter((k) => !allowed.has(k));
  if (missing.length || unknown.length) {
    throw new HttpFailure(400, "BAD_ARGS", `unexpected keys in ${what}: ${JSON.stringify(keys)}`, { missing, unknown });
  }
}

const profile = (bio) => ({ bio_text: bio, links: ["https://example.test/a"], settings: { asc: true, desc: false } });

// Users as the backend stores them: every optional shape occurs once.
export const USERS = [
  {
    user_id: 1, display_name: "Ada", email: "ada@example.test", nickname: null, avatar_url: "https://example.test/ada.png",
    role: "admin", tags: ["ops"], metadata: { team: "core", level: 3 }, location: [59.5, 18.25], status: "active",
    profile: profile("Writes schedulers."),
  },
  {
    user_id: 2, display_name: "Alvar", nickname: "al", avatar_url: null, role: "member", tags: [], metadata: {},
    status: null, profile: profile("Keeps the lights on."),
  },
  {
    user_id: 3, display_name: "Bea", nickname: null, role: "guest", tags: ["a", "b"], metadata: { x: null },
    status: "banned", profile: profile(""),
  },
  // A user without a profile, and one whose fields have the wrong types.
  { user_id: 4, display_name: "Cyd", nickname: null, role: "member", tags: [], metadata: {}, status: null, profile: null },
  { user_id: 13, display_name: 13, nickname: "x", role: "owner", tags: "none", metadata: [], status: "gone" },
];

const GRID = [
  [[{ row_index: 0, col_index: 0, cell_value: 1 }, { row_index: 0, col_index: 1, cell_value: "b" }]],
  [[{ row_index: 1, col_index: 0, cell_value: null }], []],
];

const PRIMITIVES = {
  p_str: "s", p_string: "t", p_bytes: "YmluYXJ5", p_int: 7, p_float: 0.5, p_number: -3, p_bool: true, p_boolean: false,
  p_null: null, p_any: { nested: [1, "two"] }, p_unnamed: "whatever", l_str: "v1", l_int: 42, l_float: 1.5, l_bool: true,
  l_null: null, priority: 2, any_value: [null, false],
};

function checkCell(cell) {
  expectKeys(cell, ["row_index", "col_index", "cell_value"], [], "a cell");
}

export function createBackend() {
  const uploads = [];

  const commands = {
    get_user(args) {
      expectKeys(args, ["user_id"]);
      const user = USERS.find((u) => u.user_id === args.user_id);
      if (!user) throw new HttpFailure(404, "NOT_FOUND", `No user with id ${args.user_id}`, { user_id: args.user_id });
      return user;
    },
    list_users(args) {
      expectKeys(args, ["query_filter", "page_size"], ["cursor"]);
      const filter = args.query_filter;
      expectKeys(filter, ["max_items", "sort", "range"], ["query_text", "include_deleted"], "query_filter");
      expectKeys(filter.range, ["from_index", "to_index"], [], "query_filter.range");
      const matching = USERS.slice(0, 4).filter((u) => u.display_name.startsWith(filter.query_text ?? ""));
      if (filter.sort === "desc") matching.reverse();
      const start = Number(args.cursor ?? filter.range.from_index);
      const end = Math.min(filter.range.to_index, start + filter.max_items, start + (args.page_size ?? Infinity));
      const items = matching.slice(start, end);
      return { items, next_cursor: end < matching.length ? String(end) : null, total_count: matching.length };
    },
    get_grid(args) {
      expectKeys(args, []);
      return GRID;
    },
    put_grid(args) {
      expectKeys(args, ["grid_cells"]);
      args.grid_cells.flat(2).forEach(checkCell);
      return undefined;
    },
    ping(args) {
      expectKeys(args, []);
      return undefined;
    },
    set_tags(args) {
      expectKeys(args, ["tag_list", "priority", "mode"], ["note"]);
      return args.note === null ? null : args.mode === "replace" && args.tag_list.length > 0;
    },
    echo_any(args) {
      expectKeys(args, ["value"]);
      return args.value;
    },
    get_pair: () => ["pair", 2],
    get_scores: () => ({ ada: 9.5, bea: 7 }),
    get_primitives: () => PRIMITIVES,
    get_empty(args) {
      expectKeys(args, ["empty"]);
      expectKeys(args.empty, [], [], "empty");
      return {};
    },
  };

  const message = (i, room) => ({ sender_name: `user${i}`, text: `hello ${i} in ${room} → ok`, sent_at: 1000 + i });

  // Each channel answers the event texts to stream, and whether to keep the
  // connection open afterwards (until the client goes away).
  const channels = {
    watch_messages(args) {
      expectKeys(args, ["room_id"], ["since"]);
      if (args.room_id === "locked") {
        throw new HttpFailure(403, "ROOM_LOCKED", "Room locked is closed", { room_id: args.room_id });
      }
      const count = 5;
      const events = [": connected\n\n", "data: \n\n"];
      for (let i = 1; i <= count; i++) {
        // Untyped events, typed ones, and fields that readers must skip.
        const head = i % 2 === 0 ? `id: ${i}\nretry: 1000\nevent: chat\n` : "";
        events.push(`${head}data: ${JSON.stringify({ ...message(i, args.room_id), priority: i % 3 + 1 })}\n\n`);
      }
      events.push("event: close\ndata: {}\n\n");
      return { events, keepOpen: true };
    },
    tick(args) {
      expectKeys(args, []);
      return {
        events: [
          `data: ${JSON.stringify({ n: 1 })}\n\n`,
          `event: error\ndata: ${JSON.stringify({ error: "clock drift" })}\n\n`,
          `event: tock\ndata: ${JSON.stringify({ n: 2, event: "own" })}\n\n`,
          // Never delivered: the stream ends without the blank line.
          `data: ${JSON.stringify({ n: 3 })}\n`,
        ],
        keepOpen: false,
      };
    },
    progress(args) {
      expectKeys(args, []);
      return { events: ["data: 10\n\n", "data: 50\n\n", "data: null\n\n", "data: 100\n\n"], keepOpen: false };
    },
  };

  // An upload whose file name starts with "hold" gets no answer until the
  // client gives up; that is how aborts are tested.
  const held = (files) => files.some((f) => f.filename.startsWith("hold"));

  const summary = (name, files, args) => ({
    handler: name,
    files: files.map((f) => ({ name: f.filename, size: f.data.length, type: f.contentType })),
    args,
  });

  const uploadHandlers = {
    upload_avatar(files, args) {
      expectKeys(args, ["user_id"]);
      if (files.length !== 1) throw new HttpFailure(400, "BAD_FILES", `expected one file, got ${files.length}`);
      if (!USERS.some((u) => u.user_id === args.user_id)) {
        throw new HttpFailure(404, "NOT_FOUND", `No user with id ${args.user_id}`, { user_id: args.user_id });
      }
      return { file_ids: [`avatar-${args.user_id}-${files[0].filename}`], total_bytes: files[0].data.length };
    },
    upload_documents(files, args) {
      expectKeys(args, [], ["folder_name"]);
      return undefined;
    },
    upload_raw(files, args) {
      expectKeys(args, []);
      return files.map((f) => `${f.filename}:${f.data.length}`);
    },
  };

  function upload(name, files, args) {
    const handler = uploadHandlers[name];
    if (!handler) throw new HttpFailure(404, "NO_SUCH_UPLOAD", `unknown upload ${name}`);
    uploads.push(summary(name, files, args));
    return handler(files, args);
  }

  function socketMessage(name, frame, send) {
    if (name === "heartbeat") return true;
    if (name !== "chat") return false;
    if (frame.event === "typing") {
      send({ event: "typing", data: frame.data === true ? "someone" : null });
    } else if (frame.event === "send_message") {
      // A frame for an event that clients do not listen to comes first.
      send({ event: "presence", data: { online: 2 } });
      send({ event: "message", data: frame.data });
      const sender = frame.data?.sender_name;
      send({ event: "user_joined", data: typeof sender === "string" ? sender : "(unknown)" });
    } else {
      send({ event: "protocol_error", data: { received: frame } });
    }
    return true;
  }

  return { commands, channels, upload, held, socketMessage, uploads };
}
