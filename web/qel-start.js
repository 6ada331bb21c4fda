// Compiles the program while the rest of the page is parsed. The build puts
// this at the top of the page with the module in it, in base64: the page
// starts on its one request, where a file of its own would be one more
// round trip before the program runs. The glue's instantiateWasm
// (src/platform/web/instantiate.js), at the end of the page, takes it.
var qelWasm = (function(encoded) {
  if (Uint8Array.fromBase64) return WebAssembly.compile(Uint8Array.fromBase64(encoded));
  var text = atob(encoded), bytes = new Uint8Array(text.length);
  for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return WebAssembly.compile(bytes);
})('@QEL_WASM@');
qelWasm.catch(function() {});  // the glue reports why
