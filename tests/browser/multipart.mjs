// A small multipart/form-data parser: enough for the forms that the generated
// upload calls send (file parts and one JSON text part), strict about the rest.

/** Returns the boundary of a multipart content type, or null. */
export function multipartBoundary(contentType) {
  if (!contentType) return null;
  const [type, ...params] = contentType.split(";").map((s) => s.trim());
  if (type.toLowerCase() !== "multipart/form-data") return null;
  for (const p of params) {
    const eq = p.indexOf("=");
    if (eq < 0) continue;
    if (p.slice(0, eq).trim().toLowerCase() !== "boundary") continue;
    let value = p.slice(eq + 1).trim();
    if (value.startsWith('"') && value.endsWith('"')) value = value.slice(1, -1);
    return value || null;
  }
  return null;
}

function parseHeaders(text) {
  const headers = {};
  for (const line of text.split("\r\n")) {
    const colon = line.indexOf(":");
    if (colon <= 0) throw new Error(`malformed part header line: ${JSON.stringify(line)}`);
    headers[line.slice(0, colon).trim().toLowerCase()] = line.slice(colon + 1).trim();
  }
  return headers;
}

function dispositionParam(disposition, key) {
  const match = new RegExp(`(?:^|;)\\s*${key}="([^"]*)"`).exec(disposition);
  return match ? match[1] : undefined;
}

/**
 * Splits a complete multipart body into parts, in order. Each part is
 * { name, filename, contentType, data: Buffer }. Throws on a malformed body.
 */
export function parseMultipart(body, boundary) {
  const delimiter = Buffer.from(`--${boundary}`);
  const parts = [];
  let pos = body.indexOf(delimiter);
  if (pos !== 0) throw new Error("body does not start with the boundary");
  for (;;) {
    pos += delimiter.length;
    if (body.subarray(pos, pos + 2).toString() === "--") return parts;
    if (body.subarray(pos, pos + 2).toString() !== "\r\n") throw new Error("missing line end after boundary");
    pos += 2;
    const headerEnd = body.indexOf("\r\n\r\n", pos);
    if (headerEnd < 0) throw new Error("part without header end");
    const headers = parseHeaders(body.subarray(pos, headerEnd).toString("utf8"));
    const next = body.indexOf(Buffer.concat([Buffer.from("\r\n"), delimiter]), headerEnd + 4);
    if (next < 0) throw new Error("part without closing boundary");
    const disposition = headers["content-disposition"] ?? "";
    if (!disposition.startsWith("form-data")) throw new Error(`part is not form-data: ${disposition}`);
    parts.push({
      name: dispositionParam(disposition, "name"),
      filename: dispositionParam(disposition, "filename"),
      contentType: headers["content-type"],
      data: body.subarray(headerEnd + 4, next),
    });
    pos = next + 2;
  }
}
