// The page's offline copy: every file of one build, kept under the build's version. A build's code
// and fonts are named with its version, so a page asks only for the files of the build its
// index.html belongs to, and finds each in that build's copy. A new build is played by the pages
// opened once its copy is whole, while a page already open plays its own to the end: each copy
// stays until no open page plays it.
"use strict";

const VERSION = "@VERSION@";
const CACHE = "kazuroi-" + VERSION;
const FILES = [@FILES@];

// A file named with the version can only be this build's, whoever answers for it; the others
// (the page itself, the manifest, the icons) are fetched past the browser's own cache, which
// may hold an older build's.
const named = (file) => file.includes("." + VERSION + ".");

self.addEventListener("install", (event) => {
  const requests = FILES.map((file) => new Request(file, { cache: named(file) ? "default" : "reload" }));
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(requests)).then(() => self.skipWaiting()));
});

// Every open page hears of the new build, so that its next new game plays it.
self.addEventListener("activate", (event) => {
  event.waitUntil(self.clients.claim().then(tellPages));
});

async function tellPages() {
  for (const client of await self.clients.matchAll({ type: "window" })) client.postMessage({ newest: VERSION });
}

// A page opened is the newest build's; any other file comes from the copy that holds it.
self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(fromCopies(event.request).then((found) => found || fetch(event.request)));
});

async function fromCopies(request) {
  const navigation = request.mode === "navigate";
  // The page with any ?seed= or ?random= is the same page.
  const newest = await (await caches.open(CACHE)).match(request, { ignoreSearch: navigation });
  if (newest || navigation) return newest;
  for (const name of await caches.keys()) {
    if (!name.startsWith("kazuroi-")) continue;
    const found = await (await caches.open(name)).match(request);
    if (found) return found;
  }
  return undefined;
}

// A page that runs says which build it plays; then the copies that no open page plays go.
self.addEventListener("message", (event) => {
  if (!event.data || !event.data.playing) return;
  event.source.postMessage({ newest: VERSION });
  event.waitUntil(removeUnusedCopies());
});

// Every open page is asked which build it plays; one that does not answer (still loading, or of
// a build from before pages answered) keeps every copy.
async function removeUnusedCopies() {
  const used = new Set([CACHE]);
  for (const client of await self.clients.matchAll({ type: "window", includeUncontrolled: true })) {
    const build = await buildOf(client);
    if (!build) return;
    used.add("kazuroi-" + build);
  }
  for (const name of await caches.keys())
    if (name.startsWith("kazuroi-") && !used.has(name)) await caches.delete(name);
}

function buildOf(client) {
  return new Promise((resolve) => {
    const channel = new MessageChannel();
    channel.port1.onmessage = (event) => resolve(event.data && event.data.build);
    setTimeout(() => resolve(null), 2000);
    client.postMessage({ which: true }, [channel.port2]);
  });
}
