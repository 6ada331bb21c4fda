// The program's module, which the build puts into the page in base64, in
// the data block before this script (text that is not parsed as a script,
// unlike a string literal): the page starts on its one request. Made at
// once where the browser lets a page do so (only checked here, its
// functions compiled as first called): the glue at the page's end then
// runs the program before the first frame, which shows the dialog.
// Otherwise a promise, which the glue waits for.
var qelWasm = (function(encoded) {
  var bytes;
  if (Uint8Array.fromBase64) {
    bytes = Uint8Array.fromBase64(encoded);
  } else {
    var text = atob(encoded);
    bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  }
  try {
    return new WebAssembly.Module(bytes);
  } catch (error) {
    var compiling = WebAssembly.compile(bytes);
    compiling.catch(function() {});  // the glue reports why
    return compiling;
  }
})(document.getElementById('qel-program').textContent);
