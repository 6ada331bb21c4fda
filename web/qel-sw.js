// QEL's service worker: the page's files, kept so that it starts without
// the network. The build writes in the files and a key made of their
// contents: a new build is a new worker, which fetches every file anew
// beside the old copy and replaces that copy whole once no window runs the
// old build, so an old script never meets a new module.
var CACHE = 'qel-@QEL_BUILD_KEY@';
var FILES = [@QEL_OFFLINE_FILES@];

self.addEventListener('install', function(event) {
  // Past the HTTP cache, which may still hold the build before.
  event.waitUntil(caches.open(CACHE).then(function(cache) {
    return cache.addAll(FILES.map(function(file) { return new Request(file, {cache: 'no-cache'}); }));
  }));
  // Chromium then answers from the copy without starting the worker, a
  // fifth of the page's start-up; elsewhere the worker answers.
  if (event.addRoutes) {
    var routes = {or: FILES.map(function(file) { return {urlPattern: file}; })};
    event.waitUntil(event.addRoutes({condition: routes, source: {cacheName: CACHE}}).catch(function() {}));
  }
});

self.addEventListener('activate', function(event) {
  event.waitUntil(caches.keys().then(function(keys) {
    return Promise.all(keys.filter(function(key) { return key.startsWith('qel-') && key != CACHE; })
      .map(function(key) { return caches.delete(key); }));
  }));
});

// Every address in the scope opens the one page; what is not kept goes to
// the network.
self.addEventListener('fetch', function(event) {
  var request = event.request.mode == 'navigate' ? './' : event.request;
  event.respondWith(caches.open(CACHE)
    .then(function(cache) { return cache.match(request, {ignoreSearch: true}); })
    .then(function(kept) { return kept || fetch(event.request); }));
});
