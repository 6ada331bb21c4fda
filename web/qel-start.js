// Compiles the program while the page is still being parsed, beside the
// glue (qel.js), which waits for the document and the stylesheet; the
// glue's instantiateWasm (src/platform/web/instantiate.js) takes it, or
// has compiled it already where it came first.
var qelWasm = self.qelWasm || WebAssembly.compileStreaming(fetch('qel.wasm', {credentials: 'same-origin'}));
qelWasm.catch(function() {});  // the glue compiles it again, and reports why
