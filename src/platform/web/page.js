// The page side of QEL's web platform unit, linked into qel.js. It creates
// the elements that the C++ side asks for, forwards their events, measures
// text and plays the beep. What an event means and what text may go into a
// field is decided on the C++ side (dialog.cpp, edit.cpp); the numbers of
// events and element kinds are page.h's.
var LibraryQelPage = {
  $Qel__postset: 'Qel.start();',
  $Qel: {
    elements: [null],  // handle -> element; 0 is none
    events: [],        // [type, element handle, detail, text], oldest first
    text: '',          // the text of the event taken last
    wake: null,        // set while the program sleeps, waiting for an event
    keyUsed: false,    // the edit or the dialog used the key being handled
    editKey: null,     // the key event an edit takes as a character
    altKey: false,     // Alt is down on the key being typed: it types nothing
    pasting: false,    // ... to paste: the browser reads the clipboard
    composing: false,  // an input method's composition is the browser's
    drawing: false,    // the page itself is changing a field's text
    canvas: null,
    audio: null,
    lastFocus: null,  // in the dialogs, wherever they are
    firstFrame: null, // the page's link that holds its first frame back
    waiting: false,   // the program has drawn its dialog and waits for events

    start: function() {
      Qel.firstFrame = document.querySelector('link[rel=expect]');
      Qel.desk = document.getElementById('desk');
      Qel.desk.addEventListener('focusin', function(event) { Qel.lastFocus = event.target; });
      document.getElementById('restart').onclick = function() { location.reload(); };
      Qel.watchResolution();
      addEventListener('resize', function() { Qel.post(7, null, 0); });  // a phone turned round
      if ('documentPictureInPicture' in window) {
        var pip = document.getElementById('pip');
        pip.hidden = false;
        pip.onmousedown = function(event) { event.preventDefault(); };  // the field keeps the keyboard
        pip.onclick = Qel.moveToPictureInPicture;
      }
    },

    // The converter is drawn and waits for keys: the first frame may come,
    // without waiting for the rest of the page to be parsed. The service
    // worker fetches its copy of the page's files once the page has loaded,
    // which then does not slow its first frame and first key.
    drawn: function() {
      Qel.waiting = true;
      if (Qel.firstFrame) Qel.firstFrame.remove();
      Qel.firstFrame = null;
      if (navigator.serviceWorker) {
        addEventListener('load', function() { navigator.serviceWorker.register('qel-sw.js'); }, {once: true});
      }
    },

    handle: function(element) {
      element.qelHandle = Qel.elements.push(element) - 1;
      return element.qelHandle;
    },

    // Wakes the program from within the handler of the event, so that it
    // has handled the event in full before the browser draws.
    post: function(type, element, detail, text) {
      Qel.events.push([type, element ? element.qelHandle : 0, detail || 0, text || '']);
      var wake = Qel.wake;
      Qel.wake = null;
      if (wake) wake();
    },

    make: function(tag, className, parent) {
      var element = parent.ownerDocument.createElement(tag);
      if (className) element.className = className;
      parent.append(element);
      return element;
    },

    // Every key that no control used is the dialog's (Tab, the arrows on a
    // button, Enter, Esc, mnemonics), by the manager's rules: the browser
    // does nothing with those it uses. An Alt+character that nothing takes
    // beeps and stays the browser's, but types nothing. Space stays the
    // button's. WebKitGTK names Shift+Tab's key "Unidentified".
    onKeyDown: function(event) {
      if (event.defaultPrevented || event == Qel.editKey || event.isComposing || event.metaKey) return;
      var key = Qel.virtualKey(event);
      var typed = [...event.key].length == 1 ? event.key : {Enter: '\r', Backspace: '\b'}[event.key] || '';
      // Alt with the keypad's digits types a character by its code.
      if (!key || (event.altKey && event.location == 3)) return;
      // The dialog always takes Tab, Enter and Esc, and Enter on a default
      // button may run the dialog it opens before the program answers.
      if ({9: 1, 13: 1, 27: 1}[key] && !event.altKey) event.preventDefault();
      Qel.keyUsed = false;
      Qel.post(4, this, key | Qel.modifiers(event) << 16, typed);
      if (Qel.keyUsed) event.preventDefault();
    },

    modifiers: function(event) {
      return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey || event.metaKey ? 4 : 0);
    },

    virtualKey: function(event) {
      if (event.keyCode && event.keyCode != 229) return event.keyCode;
      var code = event.code || '';
      if (/^(Key|Digit)[A-Z0-9]$/.test(code)) return code.charCodeAt(code.length - 1);
      return {Backspace: 8, Tab: 9, Enter: 13, Escape: 27, Delete: 46, Insert: 45, Home: 36, End: 35,
              ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40}[code] || 0;
    },

    // Every key but a character typed is the edit's to act on, by the
    // manager's table: the browser does nothing with those it uses, but
    // reads the clipboard for a paste. A character arrives as beforeinput,
    // after the keyboard's layout and dead keys.
    onEditKeyDown: function(event) {
      Qel.altKey = event.altKey && !event.ctrlKey;
      if (event.isComposing || event.keyCode == 229 || {Tab: 1, Enter: 1, Escape: 1}[event.code]) return;
      var character = [...event.key].length == 1 && !event.ctrlKey && !event.altKey && !event.metaKey;
      var key = Qel.virtualKey(event);
      if (character) Qel.editKey = event;
      if (character || !key) return;
      Qel.keyUsed = Qel.pasting = false;
      Qel.post(8, this, key | Qel.modifiers(event) << 16);
      if (Qel.keyUsed && !Qel.pasting) event.preventDefault();
    },

    // Nothing changes a field but the program: insertions go to it as
    // text, other changes as commands. A composition stays the browser's
    // until it is committed.
    onBeforeInput: function(event) {
      if (Qel.drawing || Qel.composing || event.isComposing) return;
      event.preventDefault();
      var type = event.inputType;
      if (type == 'insertLineBreak' || type == 'insertParagraph') {
        Qel.onLineBreak.call(this, event);
      } else if (type == 'insertText' && Qel.altKey) {
        return;  // Alt+character: a shortcut, or a beep, never text
      } else if (type.startsWith('insert')) {
        var text = event.data != null ? event.data
                 : event.dataTransfer ? event.dataTransfer.getData('text/plain') : '';
        Qel.post(1, this, 0, text);
      } else {
        Qel.post(9, this, 0, type);
      }
    },

    // A phone's keyboard may send Enter as a line break, with no key.
    onLineBreak: function(event) {
      event.preventDefault();
      Qel.post(4, this.closest('dialog'), 13);
    },

    onCompositionEnd: function(event) {
      Qel.composing = false;
      Qel.post(10, this, 0, event.data || '');
    },

    onPaste: function(event) {
      event.preventDefault();
      Qel.post(1, this, 0, event.clipboardData ? event.clipboardData.getData('text/plain') : '');
    },

    // The browser's own Cut: the selection, which the page draws as the
    // program holds it, goes to the clipboard, and the program clears it.
    onCut: function(event) {
      event.preventDefault();
      event.clipboardData.setData('text/plain', this.value.slice(this.selectionStart, this.selectionEnd));
      Qel.post(9, this, 0, 'deleteByCut');
    },

    // A selection the browser made (the pointer's, its menu's Select All)
    // is reported; the page's own drawing of one is not.
    onSelected: function() {
      var shown = this.qelSelection;
      if (shown && shown[0] == this.selectionStart && shown[1] == this.selectionEnd &&
          shown[2] == this.selectionDirection) return;
      Qel.post(2, this, 0);
    },

    // The focused field's text changes as typing changes it, so that the
    // browser's own Undo stays offered (and comes back to the program as
    // historyUndo); the others' is simply set.
    // Only the part that differs is replaced: typing a character redraws
    // that character.
    draw: function(element, text) {
      var page = element.ownerDocument, old = element.value;
      if (page.activeElement == element) {
        var start = 0, end = 0;
        while (start < old.length && start < text.length && old[start] == text[start]) start++;
        while (end < old.length - start && end < text.length - start &&
               old[old.length - 1 - end] == text[text.length - 1 - end]) end++;
        if (start && /[\uD800-\uDBFF]/.test(text[start - 1])) start--;  // whole characters
        if (end && /[\uDC00-\uDFFF]/.test(text[text.length - end])) end--;
        var inserted = text.slice(start, text.length - end);
        Qel.drawing = true;
        try {
          element.setSelectionRange(start, old.length - end);
          page.execCommand(inserted ? 'insertText' : 'delete', false, inserted);
        } finally {
          Qel.drawing = false;
        }
      }
      if (element.value != text) element.value = text;
    },

    // UTF-8 bytes into the input's UTF-16 units.
    unitsAt: function(value, bytes) {
      var i = 0;
      while (i < value.length && bytes > 0) {
        var unit = value.codePointAt(i) > 0xFFFF ? 2 : 1;
        bytes -= lengthBytesUTF8(value.substr(i, unit));
        i += unit;
      }
      return i;
    },

    // A click on the dialog's background leaves the keyboard where it was.
    onMouseDown: function(event) {
      if (!event.target.closest('input, button')) event.preventDefault();
    },

    // A close request for a modal dialog other than the Esc key, which is
    // the program's (a phone's back gesture), is Esc: the program decides.
    // Without a user's gesture since the last one the browser closes the
    // dialog without asking, and the program is told afterwards.
    onCloseRequest: function(event) {
      event.preventDefault();
      if (event.type == 'cancel' || !this.qelRemoving) Qel.post(4, this, 27);
    },

    place: function(element, x, y, width, height) {
      element.style.left = x + 'px';
      element.style.top = y + 'px';
      element.style.width = width + 'px';
      element.style.height = height + 'px';
    },

    fontOf: function(element) {
      var style = getComputedStyle(element);
      return [style.fontStyle, style.fontWeight, style.fontSize, style.fontFamily].join(' ');
    },

    // Text is measured on a canvas of no element: the page's first
    // measurement, the dialog's font, then takes about half as long.
    measure: function(font, text) {
      Qel.canvas = Qel.canvas || (window.OffscreenCanvas ? new OffscreenCanvas(1, 1)
                                                         : document.createElement('canvas')).getContext('2d');
      Qel.canvas.font = font;
      return Qel.canvas.measureText(text);
    },

    watchResolution: function() {
      matchMedia('(resolution: ' + devicePixelRatio + 'dppx)').addEventListener('change', function() {
        Qel.post(7, null, 0);
        Qel.watchResolution();
      }, {once: true});
    },

    // Installed, QEL's window is its own and fits its dialogs, as on the
    // desktop (browsers let only such windows be sized by the page).
    fitWindow: function() {
      if (Qel.desk.ownerDocument != document || !matchMedia('(display-mode: standalone)').matches) return;
      var page = document.body.getBoundingClientRect(), right = page.right, bottom = page.bottom;
      document.querySelectorAll('dialog:modal').forEach(function(dialog) {
        var box = dialog.getBoundingClientRect();
        right = Math.max(right, box.right);
        bottom = Math.max(bottom, box.bottom);
      });
      resizeTo(Math.ceil(right) + outerWidth - innerWidth, Math.ceil(bottom) + outerHeight - innerHeight);
    },

    // A window of its own that stays above the others, where the browser
    // offers one; the dialogs go back to the page when it is closed, and
    // the keyboard stays where it was in them.
    moveToPictureInPicture: function() {
      var main = Qel.desk.querySelector('dialog');
      if (!main || Qel.desk.ownerDocument != document) return;
      var size = main.getBoundingClientRect();
      documentPictureInPicture.requestWindow({width: Math.ceil(size.width), height: Math.ceil(size.height)})
        .then(function(pip) {
          document.querySelectorAll('style').forEach(function(style) {
            pip.document.head.append(style.cloneNode(true));
          });
          pip.document.documentElement.className = 'pip';
          pip.document.body.append(Qel.desk);
          Qel.lastFocus.focus();
          pip.addEventListener('pagehide', function() {
            document.body.prepend(Qel.desk);
            Qel.lastFocus.focus();
          });
        });
    },
  },

  page_wait_for_event: function() {
    if (!Qel.waiting) Qel.drawn();
    return Asyncify.handleSleep(function(wakeUp) {
      if (Qel.events.length) wakeUp();
      else Qel.wake = wakeUp;
    });
  },

  page_take_event: function(out) {
    var event = Qel.events.shift();
    HEAP32[out >> 2] = event[0];
    HEAP32[(out >> 2) + 1] = event[1];
    HEAP32[(out >> 2) + 2] = event[2];
    Qel.text = event[3];
  },

  page_event_text_length: function() { return lengthBytesUTF8(Qel.text); },

  page_event_text: function(buffer, size) { stringToUTF8(Qel.text, buffer, size); },

  page_post_event: function(type, element, detail) { Qel.post(type, Qel.elements[element], detail); },

  page_create_dialog: function(caption, owner) {
    var dialog = Qel.make('dialog', 'qel', Qel.desk);
    var handle = Qel.handle(dialog);
    var titleBar = Qel.make('div', 'caption', dialog);
    var title = Qel.make('span', '', titleBar);
    title.textContent = UTF8ToString(caption);
    title.id = 'qel-caption-' + handle;
    dialog.setAttribute('aria-labelledby', title.id);
    var close = Qel.make('button', 'close', titleBar);
    close.type = 'button';
    close.tabIndex = -1;
    close.setAttribute('aria-label', 'Chiudi');
    close.onclick = function() { Qel.post(5, dialog, 0); };
    dialog.qelClient = Qel.make('div', 'client', dialog);
    dialog.qelOwner = Qel.elements[owner];
    dialog.addEventListener('keydown', Qel.onKeyDown);
    dialog.addEventListener('mousedown', Qel.onMouseDown);
    dialog.addEventListener('cancel', Qel.onCloseRequest);
    dialog.addEventListener('close', Qel.onCloseRequest);
    return handle;
  },

  page_scale_dialog: function(dialog, font, scale, width, height) {
    dialog = Qel.elements[dialog];
    dialog.style.setProperty('--qel-scale', scale);
    if (!dialog.qelOwner) Qel.desk.style.setProperty('--qel-scale', scale);
    dialog.qelClient.style.font = UTF8ToString(font);
    dialog.qelClient.style.width = width + 'px';
    dialog.qelClient.style.height = height + 'px';
  },

  page_show_dialog: function(dialog, modal) {
    dialog = Qel.elements[dialog];
    // The converter shown as open, without show()'s focusing steps, which
    // would focus its first control, and lay the page out to scroll to it,
    // before the manager's choice.
    if (modal) dialog.showModal();
    else dialog.open = true;
    if (dialog.qelOwner) dialog.qelOwner.classList.add('inactive');
    Qel.fitWindow();
  },

  page_place_dialog: function(dialog, x, y) {
    dialog = Qel.elements[dialog];
    var origin = dialog.qelOwner.qelClient.getBoundingClientRect();
    dialog.style.left = origin.left + x + 'px';
    dialog.style.top = origin.top + y + 'px';
  },

  page_client_rect: function(dialog, out) {
    var client = Qel.elements[dialog].qelClient.getBoundingClientRect();
    [client.left, client.top, client.width, client.height].forEach(function(value, i) {
      HEAP32[(out >> 2) + i] = Math.round(value);
    });
  },

  page_remove_dialog: function(dialog) {
    dialog = Qel.elements[dialog];
    dialog.qelRemoving = true;
    dialog.close();
    dialog.remove();
    if (dialog.qelOwner) dialog.qelOwner.classList.remove('inactive');
    Qel.fitWindow();
  },

  // Installed, the window is QEL's own and closes with it, as on the
  // desktop; a tab is the user's, and says that QEL has ended.
  page_program_ended: function() {
    Qel.desk.hidden = true;
    document.getElementById('pip').hidden = true;
    document.getElementById('ended').hidden = false;
    document.getElementById('restart').focus();
    Qel.fitWindow();
    if (matchMedia('(display-mode: standalone)').matches) close();
  },

  page_create_element: function(dialog, kind, id, x, y, width, height, classes) {
    dialog = Qel.elements[dialog];
    var tag = [null, 'input', 'button', 'fieldset', 'div', 'canvas'][kind];
    var element = Qel.make(tag, UTF8ToString(classes), dialog.qelClient);
    Qel.place(element, x, y, width, height);
    if (id != -1) element.dataset.id = id;
    if (tag == 'input') {
      element.type = 'text';
      // The text is the program's: a phone's keyboard suggests nothing.
      element.spellcheck = false;
      element.autocomplete = 'off';
      element.setAttribute('autocorrect', 'off');
      element.setAttribute('autocapitalize', 'off');
      element.addEventListener('keydown', Qel.onEditKeyDown);
      element.addEventListener('keyup', function() { Qel.altKey = false; });
      element.addEventListener('beforeinput', Qel.onBeforeInput);
      element.addEventListener('compositionstart', function() { Qel.composing = true; });
      element.addEventListener('compositionend', Qel.onCompositionEnd);
      element.addEventListener('paste', Qel.onPaste);
      element.addEventListener('cut', Qel.onCut);
      element.addEventListener('mouseup', Qel.onSelected);
      element.addEventListener('touchend', Qel.onSelected);
      element.addEventListener('select', Qel.onSelected);
    } else if (tag == 'button') {
      element.type = 'button';
      // A button takes the keyboard when clicked, as USER32's does on every browser.
      element.onclick = function() {
        element.focus();
        Qel.post(3, element, 0);
      };
    } else {
      element.tabIndex = -1;  // the arrows may give the keyboard to any control
      if (tag == 'fieldset') Qel.make('legend', '', element);
    }
    return Qel.handle(element);
  },

  page_move_element: function(element, x, y, width, height) {
    Qel.place(Qel.elements[element], x, y, width, height);
  },

  page_offer_capitals: function(element) { Qel.elements[element].setAttribute('autocapitalize', 'characters'); },

  page_set_input_mode: function(element, mode) {
    element = Qel.elements[element];
    mode = UTF8ToString(mode);
    if (mode) element.inputMode = mode;
    else element.removeAttribute('inputmode');
  },

  page_set_text: function(element, text) {
    element = Qel.elements[element];
    text = UTF8ToString(text);
    if (element.tagName == 'FIELDSET') {
      element.firstChild.textContent = text;
    } else {
      element.textContent = text;
    }
  },

  page_set_class: function(element, name, on) { Qel.elements[element].classList.toggle(UTF8ToString(name), !!on); },

  page_set_label: function(element, label) {
    label = Qel.elements[label];
    label.id = label.id || 'qel-label-' + label.qelHandle;
    Qel.elements[element].setAttribute('aria-labelledby', label.id);
  },

  page_draw_icon: function(element, rgba, width, height) {
    element = Qel.elements[element];
    element.width = width;
    element.height = height;
    if (!width || !height) return;
    var bytes = HEAPU8.slice(rgba, rgba + width * height * 4);
    var pixels = new ImageData(new Uint8ClampedArray(bytes.buffer), width, height);
    element.getContext('2d').putImageData(pixels, 0, 0);
  },

  page_scale_icon: function(element, scale) {
    element = Qel.elements[element];
    element.style.width = element.width * scale + 'px';
    element.style.height = element.height * scale + 'px';
  },

  page_focused_element: function() {
    var focused = Qel.desk.ownerDocument.activeElement;
    return focused && focused.qelHandle || 0;
  },

  // Before the first frame the page is at its top, the converter in view:
  // scrolling to the field would only measure the page before it is drawn.
  page_focus: function(element) { Qel.elements[element].focus({preventScroll: !!Qel.firstFrame}); },

  page_show_edit: function(element, text, anchor, caret) {
    element = Qel.elements[element];
    text = UTF8ToString(text);
    if (element.value != text) Qel.draw(element, text);
    // A field without the focus shows no selection, and one drawn now would
    // only bring a select event before the next frame: the manager draws
    // it as the field takes the focus.
    if (element.ownerDocument.activeElement != element) return;
    anchor = Qel.unitsAt(text, anchor);
    caret = Qel.unitsAt(text, caret);
    element.setSelectionRange(Math.min(anchor, caret), Math.max(anchor, caret),
                              caret < anchor ? 'backward' : 'forward');
    element.qelSelection = [element.selectionStart, element.selectionEnd, element.selectionDirection];
  },

  page_get_selection: function(element, out) {
    element = Qel.elements[element];
    var value = element.value, backward = element.selectionDirection == 'backward';
    var start = lengthBytesUTF8(value.slice(0, element.selectionStart || 0));
    var end = lengthBytesUTF8(value.slice(0, element.selectionEnd || 0));
    HEAP32[out >> 2] = backward ? end : start;
    HEAP32[(out >> 2) + 1] = backward ? start : end;
  },

  page_key_used: function() { Qel.keyUsed = true; },

  // The copy event of a command run now, while the key is handled.
  page_copy: function(text) {
    text = UTF8ToString(text);
    var copy = function(event) {
      event.preventDefault();
      event.clipboardData.setData('text/plain', text);
    };
    var page = Qel.desk.ownerDocument;
    page.addEventListener('copy', copy, true);
    try {
      page.execCommand('copy');
    } finally {
      page.removeEventListener('copy', copy, true);
    }
  },

  page_paste: function() { Qel.pasting = true; },

  page_text_width: function(element, text, length) {
    return Qel.measure(Qel.fontOf(Qel.elements[element]), UTF8ToString(text, length)).width;
  },

  page_content_width: function(element) {
    element = Qel.elements[element];
    var style = getComputedStyle(element);
    return element.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
  },

  page_measure_font: function(font, out) {
    var metrics = Qel.measure(UTF8ToString(font), 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ');
    HEAPF64[out >> 3] = metrics.width;
    // Browsers without the font's own box measure the letters' ink.
    HEAPF64[(out >> 3) + 1] = metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent ||
                              metrics.actualBoundingBoxAscent + metrics.actualBoundingBoxDescent;
  },

  page_device_pixel_ratio: function() {
    return Qel.desk.ownerDocument.defaultView.devicePixelRatio || 1;
  },

  page_viewport_width: function() { return Qel.desk.ownerDocument.documentElement.clientWidth; },

  page_pointer_coarse: function() {
    return Qel.desk.ownerDocument.defaultView.matchMedia('(pointer: coarse)').matches;
  },

  // A short tone, as quiet as a system bell; a phone also vibrates, felt
  // where the tone may be muted.
  page_beep: function() {
    if (navigator.vibrate) navigator.vibrate(30);
    if (!window.AudioContext) return;
    var audio = Qel.audio = Qel.audio || new AudioContext();
    var tone = audio.createOscillator(), volume = audio.createGain();
    tone.frequency.value = 880;
    volume.gain.value = 0.1;
    tone.connect(volume).connect(audio.destination);
    tone.start();
    tone.stop(audio.currentTime + 0.1);
    if (audio.state == 'suspended') audio.resume();
  },
};

for (var name in LibraryQelPage) {
  if (name.startsWith('page_')) LibraryQelPage[name + '__deps'] = ['$Qel'];
}
mergeInto(LibraryManager.library, LibraryQelPage);
