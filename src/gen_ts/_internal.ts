// Internal bridge utilities - do not modify

export interface BridgeError {
    code: string;
    message: string;
    details?: unknown;
}

export class BridgeRequestError extends Error {
    code: string;
    details?: unknown;

    constructor(error: BridgeError) {
        super(error.message);
        this.name = "BridgeRequestError";
        this.code = error.code;
        this.details = error.details;
    }
}

export interface BridgeChannel<T> {
    subscribe(callback: (data: T) => void): void;
    onError(callback: (error: BridgeError) => void): void;
    onClose(callback: () => void): void;
    close(): void;
}

let _baseUrl: string | null = null;

export function initBridge(baseUrl: string): void {
    _baseUrl = baseUrl.endsWith("/") ? baseUrl.slice(0, -1) : baseUrl;
    console.log(`[Tolv] Initialized with base URL: ${_baseUrl}`);
}

export function getBaseUrl(): string {
    if (!_baseUrl) {
        throw new Error("[Tolv] Bridge not initialized. Call initBridge(url) first.");
    }
    return _baseUrl;
}

// Parses a body read as text; text that is not JSON (an empty one included) gives null.
function parseJson(text: string): any {
    try {
        return JSON.parse(text);
    } catch {
        return null;
    }
}

function isObject(value: unknown): boolean {
    return typeof value === "object" && value !== null && !Array.isArray(value);
}

export async function request<T = any>(command: string, args: unknown): Promise<T> {
    const response = await fetch(`${getBaseUrl()}/command/${command}`, {
        method: "POST",
        headers: { "Content-Type": "application/json" },
        body: JSON.stringify(args),
    });
    const data = parseJson(await response.text());
    if (!response.ok) {
        // A body that is not a JSON object (a proxy's error page, say) still reports the status.
        const body = isObject(data) ? data : {
            message: `Request failed with status ${response.status}`,
            details: { status: response.status },
        };
        throw new BridgeRequestError({
            code: body.code || "UNKNOWN_ERROR",
            message: body.message || "An unknown error occurred",
            details: body.details,
        });
    }
    if (data === null) throw new Error("Failed to parse response");
    return data.result as T;
}

export function createChannel<T = any>(command: string, args: unknown, convert?: (item: any) => T): BridgeChannel<T> {
    const url = `${getBaseUrl()}/channel/${command}`;
    // close() drops `controller`; a failed stream still aborts through `fetchController`.
    const fetchController = new AbortController();
    let controller: AbortController | null = fetchController;
    const signal = fetchController.signal;
    let messageCallback: ((data: T) => void) | null = null;
    let errorCallback: ((error: BridgeError) => void) | null = null;
    let closeCallback: (() => void) | null = null;

    // After close() no callback runs, not even for events already buffered.
    const emitError = (error: BridgeError) => {
        if (!signal.aborted) errorCallback?.(error);
    };
    const emitClose = () => {
        if (!signal.aborted) closeCallback?.();
    };

    const handleEvent = (text: string) => {
        if (!text.trim()) return;
        let type = "message";
        let data = "";
        for (const line of text.split("\n")) {
            if (line.startsWith("event: ")) type = line.slice(7);
            else if (line.startsWith("data: ")) data = line.slice(6);
        }
        if (type === "error") {
            // Data that is null or not JSON still reports the error, and reading goes on.
            const payload = parseJson(data);
            emitError({ code: "STREAM_ERROR", message: payload?.error || "Stream error" });
        } else if (type === "close") {
            emitClose();
        } else if (data) {
            const payload = JSON.parse(data);
            const value = convert ? convert(payload) : payload;
            // An object gets the event type as a member (after conversion); any other value arrives as it is.
            const item = (isObject(value) ? { event: type, ...value } : value) as T;
            if (!signal.aborted) messageCallback?.(item);
        }
    };

    const stream = async () => {
        let reader: ReadableStreamDefaultReader<Uint8Array> | undefined;
        try {
            const response = await fetch(url, {
                method: "POST",
                headers: { "Content-Type": "application/json" },
                body: JSON.stringify(args),
                signal,
            });
            if (!response.ok) {
                const data = parseJson(await response.text());
                const body = isObject(data) ? data : { details: { status: response.status } };
                emitError({
                    code: body.code || "CHANNEL_ERROR",
                    message: body.message || "Failed to start channel",
                    details: body.details,
                });
                return;
            }
            if (!response.body) {
                emitError({ code: "NO_STREAM", message: "Response has no body" });
                return;
            }
            reader = response.body.getReader();
            const decoder = new TextDecoder();
            let buffer = "";
            // A CR ending one chunk may be the first half of a CR LF pair.
            let pendingCr = false;
            const append = (text: string) => {
                if (pendingCr) text = "\r" + text;
                pendingCr = text.endsWith("\r");
                if (pendingCr) text = text.slice(0, -1);
                // Searching resumes just before the new text, which may complete a separator.
                let from = Math.max(buffer.length - 1, 0);
                buffer += text.replace(/\r\n?/g, "\n");
                let start = 0;
                let cut = buffer.indexOf("\n\n", from);
                while (cut !== -1) {
                    handleEvent(buffer.slice(start, cut));
                    start = cut + 2;
                    from = start;
                    cut = buffer.indexOf("\n\n", from);
                }
                buffer = buffer.slice(start);
            };
            for (;;) {
                const { done, value } = await reader.read();
                if (done) break;
                append(decoder.decode(value, { stream: true }));
            }
            append(decoder.decode());
            // A lone CR at the very end still ends its line.
            if (pendingCr) append("\n");
            emitClose();
        } catch (error) {
            if (error instanceof Error && error.name === "AbortError") return;
            // Reported first: once the request is aborted the callbacks are silent.
            try {
                emitError({
                    code: "STREAM_ERROR",
                    message: error instanceof Error ? error.message : "Unknown error",
                });
            } finally {
                // Reading has stopped, so release the connection the server may still stream on.
                reader?.cancel().catch(() => {});
                fetchController.abort();
            }
        }
    };
    void stream();

    return {
        subscribe(callback: (data: T) => void): void {
            messageCallback = callback;
        },
        onError(callback: (error: BridgeError) => void): void {
            errorCallback = callback;
        },
        onClose(callback: () => void): void {
            closeCallback = callback;
        },
        close(): void {
            controller?.abort();
            controller = null;
        },
    };
}

export interface UploadProgressEvent {
    loaded: number;
    total: number;
    percentage: number;
}

export interface UploadHandle<T> {
    promise: Promise<T>;
    abort(): void;
    onProgress(callback: (event: UploadProgressEvent) => void): UploadHandle<T>;
}

export function createUpload<T>(
    handler: string,
    files: File[],
    args: Record<string, unknown>,
): UploadHandle<T> {
    const xhr = new XMLHttpRequest();
    let progressCallback: ((event: UploadProgressEvent) => void) | null = null;

    const promise = new Promise<T>((resolve, reject) => {
        const form = new FormData();
        for (const file of files) form.append("files", file);
        form.append("_args", JSON.stringify(args));

        xhr.upload.onprogress = (event) => {
            if (event.lengthComputable && progressCallback) {
                progressCallback({
                    loaded: event.loaded,
                    total: event.total,
                    percentage: Math.round(event.loaded / event.total * 100),
                });
            }
        };
        xhr.onload = () => {
            if (xhr.status >= 200 && xhr.status < 300) {
                try {
                    resolve(JSON.parse(xhr.responseText).result);
                } catch {
                    reject(new Error("Failed to parse response"));
                }
                return;
            }
            try {
                const body = JSON.parse(xhr.responseText);
                reject(new BridgeRequestError({
                    code: body.code || "UPLOAD_ERROR",
                    message: body.message || "Upload failed",
                    details: body.details,
                }));
            } catch {
                reject(new Error(`Upload failed with status ${xhr.status}`));
            }
        };
        xhr.onerror = () => reject(new Error("Upload failed"));
        xhr.onabort = () => reject(new Error("Upload aborted"));

        xhr.open("POST", `${getBaseUrl()}/upload/${handler}`);
        xhr.send(form);
    });

    const handle: UploadHandle<T> = {
        promise,
        abort: () => xhr.abort(),
        onProgress(callback: (event: UploadProgressEvent) => void): UploadHandle<T> {
            progressCallback = callback;
            return handle;
        },
    };
    return handle;
}
