// Compiles the program while the page is still being parsed and the
// stylesheet loads (the build puts this inside the page, at the top); the
// glue's instantiateWasm (src/platform/web/instantiate.js), at the end of
// the page, takes the module.
var qelWasm = self.qelWasm || WebAssembly.compileStreaming(fetch('qel.wasm', {credentials: 'same-origin'}));
qelWasm.catch(function() {});  // the glue compiles it again, and reports why
