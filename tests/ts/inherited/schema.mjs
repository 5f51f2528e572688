// A schema whose fields and parameters are named after the members every
// object inherits: per name, one entry with it as source name and one with it
// as wire name (never "__proto__", which gen refuses), in every kind of field
// that a client converts; and renames that chain. Every entry by an inherited
// name is optional, so each can be left out.
// Run as a script, it prints the schema.
import { pathToFileURL } from "node:url"

const INHERITED = Object.getOwnPropertyNames(Object.prototype).sort()
const asWire = (name) => name !== "__proto__"

const str = { kind: "primitive", name: "str" }
const leaf = { kind: "model", name: "leaf" }
// The shapes a field takes: a nested model, an array of it, a nested model
// that is optional and nullable, a string.
const SHAPES = [
  { ty: leaf },
  { ty: { kind: "array", inner: [leaf] } },
  { ty: leaf, optional: true, nullable: true },
  { ty: str },
]
const entry = (sourceName, wireName, shape) => ({ sourceName, wireName, required: false, ...shape })
// Per name: the name read from the server as another wire name, and another
// source name read by the client as the name.
const renamed = (name, shapeOfSource, shapeOfWire) => [
  entry(name, `w_${name}`, shapeOfSource),
  ...(asWire(name) ? [entry(`s_${name}`, name, shapeOfWire)] : []),
]

// Renames that chain (a wire name is another field's source name), in both
// orders, with number-like names (which objects list first), swap and cycle;
// each required, optional, and optional and nullable.
const LINKS = [
  (k) => [[`a${k}`, `w_a${k}`], [`s_a${k}`, `a${k}`]],
  (k) => [[`s_b${k}`, `b${k}`], [`b${k}`, `w_b${k}`]],
  (k) => [[`${k}`, `w${k}`], [`s${k}`, `${k}`]],
  (k) => [[`x${k}`, `y${k}`], [`y${k}`, `x${k}`]],
  (k) => [[`p${k}`, `q${k}`], [`q${k}`, `r${k}`], [`r${k}`, `p${k}`]],
]
const FLAGS = [{ required: true }, { required: false }, { required: false, nullable: true }]
const TYPES = [str, leaf, { kind: "array", inner: [leaf] }]
const renames = FLAGS.flatMap((flags, k) => LINKS.flatMap((links) => links(k)).map(([sourceName, wireName]) => ({ sourceName, wireName, ...flags })))
  .map((field, i) => ({ ...field, ty: TYPES[i % TYPES.length] }))

// bag_k gives each name the shapes shifted by k, so across the bags every
// name meets every shape under both roles.
const models = {
  leaf: { name: "leaf", fields: [entry("leaf_value", "leafValue", { ty: str })] },
  // Source and wire name alike, optional and nullable: `constructor` in a
  // race result, say.
  same: { name: "same", fields: INHERITED.filter(asWire).map((name, i) => entry(name, name, { ...SHAPES[i % SHAPES.length], optional: true, nullable: true })) },
  renames: { name: "renames", fields: renames },
  // Single literals by inherited names in a nullable self-reference, beside a
  // rename that chains with nothing.
  node: {
    name: "node",
    fields: [
      { sourceName: "x", wireName: "y", ty: str, required: true },
      { sourceName: "valueOf", wireName: "valueOf", ty: { kind: "literal", value: "a" }, required: true },
      { sourceName: "s_toString", wireName: "toString", ty: { kind: "literal", value: null }, required: true },
      { sourceName: "next", wireName: "next", ty: { kind: "model", name: "node", nullable: true }, required: true },
    ],
  },
  // Keys that only a move reads: a chain, and an inherited wire name.
  strays: {
    name: "strays",
    fields: [["a", "b"], ["b", "c"], ["x", "valueOf"]]
      .map(([sourceName, wireName]) => ({ sourceName, wireName, ty: { kind: "primitive", name: "int" }, required: false, nullable: true })),
  },
  // An inherited source name, moved to a symbol; its one member is optional.
  tag: { name: "tag", fields: [entry("toString", "label", { ty: { kind: "primitive", name: "int" } })] },
  box: {
    name: "box",
    fields: [...SHAPES.keys()].map((k) => entry(`bag_${k}`, `bag${k}`, { ty: { kind: "model", name: `bag_${k}` } }))
      .concat([entry("same_fields", "same", { ty: { kind: "model", name: "same" } }),
        entry("renamed", "renames", { ty: { kind: "model", name: "renames" } }),
        entry("renamed_list", "renamesList", { ty: { kind: "array", inner: [{ kind: "model", name: "renames" }] } }),
        entry("node_value", "node", { ty: { kind: "model", name: "node" } })]),
  },
}
for (const k of SHAPES.keys()) {
  models[`bag_${k}`] = {
    name: `bag_${k}`,
    fields: INHERITED.flatMap((name, i) => renamed(name, SHAPES[(i + k) % 4], SHAPES[(i + k + 1) % 4])),
  }
}

const box = { kind: "model", name: "box" }
// A wire name read off `args` is a model, whose conversion shows what was
// read: JSON would drop an inherited function read as a string. Source names
// take strings and models by turns.
const params = INHERITED.flatMap((name, i) => renamed(name, { ty: i % 2 ? leaf : str }, { ty: leaf }))
  .concat([entry("the_box", "box", { ty: box })])
// Static routes take strings only: an inherited member read shows in the query.
const queryParams = INHERITED.flatMap((name) => renamed(name, { ty: str }, { ty: str }))
const boxEvent = [{ sourceName: "box", wireName: "box", ty: box, required: true }]

export const schema = {
  models,
  endpoints: {
    echo: { name: "echo", kind: "rpc", params, returns: box },
    watch: { name: "watch", kind: "channel", params, returns: { kind: "void" }, channelItem: box },
    put_file: { name: "put_file", kind: "upload", params, returns: box, multiFile: false },
    fetch_file: { name: "fetch_file", kind: "static", params: queryParams, returns: { kind: "void" } },
    get_strays: { name: "get_strays", kind: "rpc", returns: { kind: "model", name: "strays" } },
    get_tag: { name: "get_tag", kind: "rpc", returns: { kind: "model", name: "tag", optional: true } },
    tag_page: { name: "tag_page", kind: "static", params: [entry("t", "t", { ty: { kind: "model", name: "tag" }, required: true })], returns: { kind: "void" } },
    live: { name: "live", kind: "ws", returns: { kind: "void" }, serverEvents: boxEvent, clientEvents: boxEvent },
  },
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) process.stdout.write(JSON.stringify(schema, null, 1))
