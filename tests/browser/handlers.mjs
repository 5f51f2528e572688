// What each endpoint of the test backend (app/browser_app.py) does. The HTTP
// plumbing lives in server.mjs; these functions see plain arguments, keyed by
// the backend's own (snake_case) names, and answer in those names too.

export class HttpFailure extends Error {
  constructor(status, code, message, details) {
    super(message);
    this.status = status;
    this.body = { code, message, details };
  }
}

/** Rejects arguments whose keys are not exactly the expected source names. */
function expectKeys(args, required, optional = []) {
  if (args === null || typeof args !== "object" || Array.isArray(args)) {
    throw new HttpFailure(400, "BAD_ARGS", "arguments must be an object", { received: args });
  }
  const keys = Object.keys(args);
  const allowed = new Set([...required, ...optional]);
  const missing = required.filter((k) => !(k in args));
  const unknown = keys.filter((k) => !allowed.has(k));
  if (missing.length || unknown.length) {
    throw new HttpFailure(400, "BAD_ARGS", `unexpected argument keys: ${JSON.stringify(keys)}`, {
      missing,
      unknown,
    });
  }
}

const USERS = [
  { user_id: 1, display_name: "Ada", is_active: true, tags: ["admin"] },
  { user_id: 2, display_name: "Alvar", is_active: false, tags: [] },
  { user_id: 3, display_name: "Bea", is_active: true, tags: ["ops", "oncall"] },
];

export function createBackend() {
  const attempts = new Map();

  const commands = {
    get_user(args) {
      expectKeys(args, ["user_id"]);
      const user = USERS.find((u) => u.user_id === args.user_id);
      if (!user) {
        throw new HttpFailure(404, "NOT_FOUND", `No user with id ${args.user_id}`, { user_id: args.user_id });
      }
      return user;
    },
    list_users(args) {
      expectKeys(args, ["query_filter"]);
      expectKeys(args.query_filter, ["name_prefix", "max_results"]);
      const { name_prefix, max_results } = args.query_filter;
      return USERS.filter((u) => u.display_name.startsWith(name_prefix)).slice(0, max_results);
    },
    get_team(args) {
      expectKeys(args, []);
      return { team_name: "Core", members: USERS };
    },
    ping(args) {
      expectKeys(args, []);
      return undefined;
    },
    malformed_user(args) {
      expectKeys(args, []);
      return { user_id: "seven", display_name: 7, is_active: "yes", tags: null };
    },
    flaky_count(args) {
      expectKeys(args, ["attempt_key", "fail_times"]);
      const count = (attempts.get(args.attempt_key) ?? 0) + 1;
      attempts.set(args.attempt_key, count);
      if (count <= args.fail_times) {
        throw new HttpFailure(503, "UNAVAILABLE", `attempt ${count} refused`, { attempt: count });
      }
      return count;
    },
    attempt_count(args) {
      expectKeys(args, ["attempt_key"]);
      return attempts.get(args.attempt_key) ?? 0;
    },
  };

  const progress = (i, total) => ({ step_index: i, total_steps: total, label: `step ${i} → done` });

  // Each channel returns the event texts to stream, and whether to keep the
  // connection open afterwards (until the client goes away).
  const channels = {
    watch_progress(args) {
      expectKeys(args, ["total_steps"]);
      const total = args.total_steps;
      if (!Number.isInteger(total) || total < 1) {
        throw new HttpFailure(400, "BAD_STEPS", "total_steps must be a positive integer", { total_steps: total });
      }
      const events = [": opened\n\n", "data: \n\n"];
      for (let i = 1; i <= total; i++) {
        const extra = i % 2 === 0 ? `id: ${i}\nretry: 1000\n` : "";
        events.push(`${extra}event: progress\ndata: ${JSON.stringify(progress(i, total))}\n\n`);
      }
      events.push("event: close\ndata: {}\n\n");
      return { events, keepOpen: true };
    },
    failing_stream(args) {
      expectKeys(args, []);
      return {
        events: [
          `event: progress\ndata: ${JSON.stringify(progress(1, 2))}\n\n`,
          `event: error\ndata: ${JSON.stringify({ error: "sensor offline" })}\n\n`,
          `event: progress\ndata: ${JSON.stringify(progress(2, 2))}\n\n`,
        ],
        keepOpen: false,
      };
    },
  };

  const receipt = (files, args) => ({
    file_count: files.length,
    total_bytes: files.reduce((n, f) => n + f.data.length, 0),
    file_names: files.map((f) => f.filename),
    received_args: args,
  });

  // Uploads get the file parts and the parsed "_args" object.
  const uploads = {
    upload_avatar(files, args) {
      expectKeys(args, ["user_id"]);
      if (files.length !== 1) throw new HttpFailure(400, "BAD_FILES", `expected one file, got ${files.length}`);
      if (!USERS.some((u) => u.user_id === args.user_id)) {
        throw new HttpFailure(404, "NOT_FOUND", `No user with id ${args.user_id}`, { user_id: args.user_id });
      }
      return receipt(files, args);
    },
    upload_documents(files, args) {
      expectKeys(args, ["folder_name"], ["search_hint"]);
      if (args.search_hint !== undefined) expectKeys(args.search_hint, ["name_prefix", "max_results"]);
      return receipt(files, args);
    },
  };

  // Uploads that are held without an answer until the client gives up.
  const heldUploads = new Set(["slow_upload"]);

  function socketMessage(name, message, send) {
    if (name !== "chat") return false;
    if (message.event !== "send_message") {
      send({ event: "protocol_error", data: { received: message } });
      return true;
    }
    // A frame for an event that the client does not listen to comes first.
    send({ event: "typing", data: { who: "server" } });
    send({ event: "message_received", data: message.data });
    const sender = message.data?.sender_name;
    send({ event: "user_joined", data: typeof sender === "string" ? sender : "(unknown)" });
    return true;
  }

  return { commands, channels, uploads, heldUploads, socketMessage, attempts };
}
