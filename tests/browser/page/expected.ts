// What the clients should make of the test server's answers, in wire names.

const profile = (bio: string) => ({ bio, links: ["https://example.test/a"], settings: { asc: true, desc: false } })

export const ADA = {
  userId: 1,
  displayName: "Ada",
  email: "ada@example.test",
  nickname: null,
  avatarUrl: "https://example.test/ada.png",
  role: "admin",
  tags: ["ops"],
  metadata: { team: "core", level: 3 },
  location: [59.5, 18.25],
  status: "active",
  profile: profile("Writes schedulers."),
}

export const ALVAR = {
  userId: 2,
  displayName: "Alvar",
  nickname: "al",
  avatarUrl: null,
  role: "member",
  tags: [],
  metadata: {},
  status: null,
  profile: profile("Keeps the lights on."),
}

export const GRID = [
  [[{ row: 0, col: 0, value: 1 }, { row: 0, col: 1, value: "b" }]],
  [[{ row: 1, col: 0, value: null }], []],
]

export const PRIMITIVES = {
  pStr: "s", pString: "t", pBytes: "YmluYXJ5", pInt: 7, pFloat: 0.5, pNumber: -3, pBool: true, pBoolean: false,
  pNull: null, pAny: { nested: [1, "two"] }, pUnnamed: "whatever", lStr: "v1", lInt: 42, lFloat: 1.5, lBool: true,
  lNull: null, priority: 2, anyValue: [null, false],
}

/** The chat messages of the watch_messages channel, as decoded models. */
export const roomMessages = (room: string) =>
  [1, 2, 3, 4, 5].map((i) => ({ senderName: `user${i}`, text: `hello ${i} in ${room} → ok`, sentAt: 1000 + i, priority: i % 3 + 1 }))

/** The same messages as the plain client hands them over: with the event type added. */
export const channelRoomMessages = (room: string) =>
  roomMessages(room).map((message, i) => ({ event: i % 2 === 1 ? "chat" : "message", ...message }))

/** ALVAR as the Effect client decodes him: a null optional-nullable field is left out. */
export const ALVAR_DECODED = Object.fromEntries(Object.entries(ALVAR).filter(([key]) => key !== "avatarUrl"))
