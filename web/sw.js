// The page's offline copy: every file of one build, kept under the build's version. A build's code
// and fonts are named with its version, so a page asks only for the files of the build its
// index.html belongs to, and finds each in that build's copy. A copy is taken only whole: each
// file fetched is checked against the size and hash the build gave it, and the copy counts once
// every file is in it and checked. A new build is played by the pages opened once its copy is
// whole, while a page already open plays its own to the end: each copy stays until no open page
// plays it. An update that cannot be completed (a host half-way through its upload, or down)
// leaves the copy before it playing, and is tried again at a later opening.
"use strict";

const VERSION = "@VERSION@";
const CACHE = "kazuroi-" + VERSION;
const FILES = [@FILES@];
// What a whole copy holds besides the files: the list it was checked against.
const WHOLE = "./.whole";

// A file named with the version can only be this build's, whoever answers for it; the others
// (the page itself, the manifest, the icons) are fetched past the browser's own cache, which
// may hold an older build's.
const named = (file) => file.includes("." + VERSION + ".");

self.addEventListener("install", (event) => {
  event.waitUntil(fillCopy().then(() => self.skipWaiting()));
});

// Every file into this build's copy, each fetched at most twice until it is the build's own; a
// file an interrupted install already put in whole is not fetched again. Fails (and so installs
// nothing) when a file never comes whole.
async function fillCopy() {
  const cache = await caches.open(CACHE);
  for (const file of FILES) {
    if (await holdsWhole(cache, file)) continue;
    let response = null;
    for (let attempt = 0; attempt < 2 && !response; ++attempt) {
      const fetched = await fetch(new Request(file.name, { cache: attempt || !named(file.name) ? "reload" : "default" }));
      if (fetched.ok && await isWhole(fetched.clone(), file)) response = fetched;
    }
    if (!response) throw new Error(`kazuroi: ${file.name} did not come whole; the copy of ${VERSION} waits for another time`);
    await cache.put(file.name, response);
  }
  await cache.put(WHOLE, new Response(JSON.stringify(FILES)));
}

async function isWhole(response, file) {
  const bytes = await response.arrayBuffer();
  if (bytes.byteLength !== file.size) return false;
  const digest = new Uint8Array(await crypto.subtle.digest("SHA-256", bytes));
  return [...digest].map((b) => b.toString(16).padStart(2, "0")).join("") === file.sha256;
}

async function holdsWhole(cache, file) {
  const stored = await cache.match(file.name);
  return stored !== undefined && await isWhole(stored, file);
}

// The list of a whole copy, or nothing for a copy still being filled (or one left half-way).
async function wholeList(cache) {
  const whole = await cache.match(WHOLE);
  return whole ? whole.json() : null;
}

// Every open page hears of the new build, so that its next new game plays it; copies left
// half-way by installs that failed go.
self.addEventListener("activate", (event) => {
  event.waitUntil(self.clients.claim().then(removeHalfCopies).then(tellPages));
});

async function removeHalfCopies() {
  for (const name of await caches.keys())
    if (name.startsWith("kazuroi-") && name !== CACHE && !(await wholeList(await caches.open(name))))
      await caches.delete(name);
}

async function tellPages() {
  for (const client of await self.clients.matchAll({ type: "window" })) client.postMessage({ newest: VERSION });
}

// A page opened is the newest build's; any other file comes from the whole copy that holds it.
// A file that no longer matches its copy's list (damaged in the browser's storage) takes that
// copy away, and comes from the network.
self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(fromCopies(event.request).then((found) => found || fetch(event.request)));
});

async function fromCopies(request) {
  const navigation = request.mode === "navigate";
  const names = (await caches.keys()).filter((name) => name.startsWith("kazuroi-"));
  // This build's own copy first: a page opened is its page.
  for (const name of [CACHE, ...names.filter((n) => n !== CACHE)]) {
    if (!names.includes(name)) continue;
    const cache = await caches.open(name);
    const list = await wholeList(cache);
    if (!list) continue;
    // The page with any ?seed= or ?random= is the same page.
    const found = await cache.match(request, { ignoreSearch: navigation });
    if (!found) continue;
    const path = new URL(found.url || request.url).pathname.split("/").pop() || "./";
    const file = list.find((f) => f.name === path || (navigation && f.name === "./"));
    if (!file || await isWhole(found.clone(), file)) return found;
    console.warn(`kazuroi: ${path} of the copy of ${name.slice(8)} is damaged; that copy goes`);
    await caches.delete(name);
    return undefined;
  }
  return undefined;
}

// A page that runs says which build it plays; then the whole copies that no open page plays go.
// A page whose copy cannot start says so, and that copy goes.
self.addEventListener("message", (event) => {
  const said = event.data || {};
  if (said.broken) {
    const gone = caches.delete("kazuroi-" + said.broken).then(() => event.ports[0]?.postMessage({ gone: true }));
    event.waitUntil(gone);
    return;
  }
  if (!said.playing) return;
  event.source.postMessage({ newest: VERSION });
  event.waitUntil(removeUnusedCopies());
});

// Every open page is asked which build it plays; one that does not answer (still loading, or of
// a build from before pages answered) keeps every copy. A copy being filled is never taken.
async function removeUnusedCopies() {
  const used = new Set([CACHE]);
  for (const client of await self.clients.matchAll({ type: "window", includeUncontrolled: true })) {
    const build = await buildOf(client);
    if (!build) return;
    used.add("kazuroi-" + build);
  }
  for (const name of await caches.keys())
    if (name.startsWith("kazuroi-") && !used.has(name) && (await wholeList(await caches.open(name))))
      await caches.delete(name);
}

function buildOf(client) {
  return new Promise((resolve) => {
    const channel = new MessageChannel();
    channel.port1.onmessage = (event) => resolve(event.data && event.data.build);
    setTimeout(() => resolve(null), 2000);
    client.postMessage({ which: true }, [channel.port2]);
  });
}
