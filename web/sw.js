// The page's offline copy: every file it needs, cached when it is first opened, under a name that
// changes with each build, so that the files of two builds are never mixed.
"use strict";

const CACHE = "kazuroi-@VERSION@";
const FILES = [@FILES@];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

// A new build's copy is whole before it replaces the last one, which then goes.
self.addEventListener("activate", (event) => {
  event.waitUntil(
    caches.keys()
      .then((names) => Promise.all(names.filter((n) => n.startsWith("kazuroi-") && n !== CACHE).map((n) => caches.delete(n))))
      .then(() => self.clients.claim()));
});

// The copy first (the page with any ?seed= or ?random= is the same page), the network for
// anything else.
self.addEventListener("fetch", (event) => {
  if (event.request.method !== "GET") return;
  event.respondWith(
    caches.open(CACHE)
      .then((cache) => cache.match(event.request, { ignoreSearch: event.request.mode === "navigate" }))
      .then((found) => found || fetch(event.request)));
});
