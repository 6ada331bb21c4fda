// Installed by the tests before the page's own script runs: counts the
// tones the page plays and its vibrations, and reads the dialogs as a user sees them. The page
// itself counts nothing and exposes nothing for tests.
window.qelTest = {
  beeps: 0,
  vibrations: 0,
  dialog: caption => [...document.querySelectorAll('dialog[open]')]
    .find(dialog => dialog.querySelector('.caption span').textContent == caption) || null,
  text: (caption, id) => {
    const dialog = qelTest.dialog(caption);
    const control = dialog && dialog.querySelector('[data-id="' + id + '"]');
    return !control ? null : control.tagName == 'INPUT' ? control.value : control.textContent;
  },
  // The converter takes keys: its first field has the keyboard.
  ready: () => !!document.activeElement && document.activeElement.dataset.id == '101',
  ended: () => !document.getElementById('ended').hidden,
};
const createOscillator = AudioContext.prototype.createOscillator;
AudioContext.prototype.createOscillator = function () {
  qelTest.beeps++;
  return createOscillator.call(this);
};
if (navigator.vibrate) {
  const vibrate = navigator.vibrate;
  navigator.vibrate = function (pattern) {
    qelTest.vibrations++;
    return vibrate.call(this, pattern);
  };
}
