// Replaces window.fetch before Ruffle loads: this browser's fetch() refuses the page's own
// scheme, XMLHttpRequest does not. Addresses of the page's scheme (Ruffle's WebAssembly)
// are read directly; every other address (the movie, its sounds and variables) is handed
// to the program as sonivo-flash://player/fetch?u=...&m=..., which makes the request with
// its own HTTP code, so the page's cross-origin rules do not apply to it.
(function () {
  "use strict";
  const OWN = "sonivo-flash:";

  function base64(bytes) {
    let text = "";
    for (let i = 0; i < bytes.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    }
    return btoa(text);
  }

  async function bytes_of(body) {
    if (body === undefined || body === null) {
      return null;
    }
    if (body instanceof ArrayBuffer) {
      return new Uint8Array(body);
    }
    if (ArrayBuffer.isView(body)) {
      return new Uint8Array(body.buffer, body.byteOffset, body.byteLength);
    }
    if (body instanceof Blob) {
      return new Uint8Array(await body.arrayBuffer());
    }
    return new TextEncoder().encode(String(body));
  }

  window.fetch = async function (input, init) {
    init = init || {};
    let address = input;
    let method = "GET";
    let headers = new Headers();
    let body = null;
    if (input instanceof Request) {
      address = input.url;
      method = input.method;
      headers = new Headers(input.headers);
      if (method !== "GET" && method !== "HEAD") {
        body = new Uint8Array(await input.arrayBuffer());
      }
    }
    if (init.method) {
      method = String(init.method).toUpperCase();
    }
    if (init.headers) {
      headers = new Headers(init.headers);
    }
    if (init.body !== undefined && init.body !== null) {
      body = await bytes_of(init.body);
    }
    const absolute = new URL(String(address), document.baseURI);
    let target = absolute.href;
    if (absolute.protocol !== OWN) {
      const field = function (name, value) {
        return "&" + name + "=" + encodeURIComponent(value);
      };
      target = OWN + "//player/fetch?" + field("u", absolute.href).slice(1) + field("m", method);
      if (body) {
        target += field("t", headers.get("Content-Type") || "") + field("b", base64(body));
      }
    }
    return new Promise(function (resolve, reject) {
      const request = new XMLHttpRequest();
      request.open("GET", target);
      request.responseType = "arraybuffer";
      request.onload = function () {
        const type = request.getResponseHeader("Content-Type");
        const response = new Response(method === "HEAD" ? null : request.response, {
          status: request.status || 200,
          headers: type ? { "Content-Type": type } : {},
        });
        // Ruffle takes the movie's own address (and its query, the movie's parameters)
        // from the answer.
        Object.defineProperty(response, "url", { value: absolute.href });
        resolve(response);
      };
      request.onerror = request.onabort = function () {
        reject(new TypeError("Failed to fetch"));
      };
      if (init.signal) {
        init.signal.addEventListener("abort", function () {
          request.abort();
        });
      }
      request.send();
    });
  };
})();
