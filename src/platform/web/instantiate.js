// The module that the page's first script (web/qel-start.js) made: the
// program is instantiated at once, and runs before the page's end is
// parsed; or, if that script had to compile in the background, once it is
// compiled.
Module['instantiateWasm'] = function(imports, receiveInstance) {
  if (qelWasm instanceof WebAssembly.Module) {
    var instance = new WebAssembly.Instance(qelWasm, imports);
    receiveInstance(instance, qelWasm);
    return instance.exports;
  }
  qelWasm.then(function(module) {
    return WebAssembly.instantiate(module, imports).then(function(instance) { receiveInstance(instance, module); });
  }).catch(abort);
  return {};
};
