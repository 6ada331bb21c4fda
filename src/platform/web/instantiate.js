// qel.js may run before the stylesheet has arrived: the program, which
// measures its dialogs' fields, starts once it has.
Module['preRun'] = function() {
  if (getComputedStyle(document.getElementById('desk')).position == 'relative') return;  // qel.css's
  var style = document.querySelector('link[rel=stylesheet]');
  addRunDependency('qel.css');
  style.onload = style.onerror = function() { removeRunDependency('qel.css'); };
};

// The module compiled by qel-start.js while the page was parsed, or here
// where the glue came first (that script then takes this one); compiled
// from its bytes where streaming failed (a server that does not send
// application/wasm).
Module['instantiateWasm'] = function(imports, receiveInstance) {
  var fetched = function() { return fetch('qel.wasm', {credentials: 'same-origin'}); };
  (self.qelWasm = self.qelWasm || WebAssembly.compileStreaming(fetched()))
    .catch(function() { return fetched().then(function(r) { return r.arrayBuffer(); }).then(WebAssembly.compile); })
    .then(function(module) {
      return WebAssembly.instantiate(module, imports).then(function(instance) { receiveInstance(instance, module); });
    })
    .catch(abort);
  return {};
};
