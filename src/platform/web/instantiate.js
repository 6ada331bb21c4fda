// The module that the page's first script (web/qel-start.js) began
// compiling while the page was parsed.
Module['instantiateWasm'] = function(imports, receiveInstance) {
  qelWasm.then(function(module) {
    return WebAssembly.instantiate(module, imports).then(function(instance) { receiveInstance(instance, module); });
  }).catch(abort);
  return {};
};
