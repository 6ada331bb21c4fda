// The module that qel-start.js began compiling while the page was parsed
// (or compiled here where that script did not run); compiled from its
// bytes where streaming failed (a server that does not send
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
