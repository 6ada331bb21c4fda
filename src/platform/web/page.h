// The page side of the web platform unit (page.js), as the C++ side calls
// it. The page only creates and changes elements, measures text, forwards
// events and plays the beep; what an event means is decided here.
// Elements are named by handles, 0 meaning none.
#ifndef QEL_PLATFORM_PAGE_H
#define QEL_PLATFORM_PAGE_H

// What the page forwards, oldest first. The values are page.js's too.
enum PageEventType {
  kPageInsert = 1,    // text to go into an edit: typed, pasted or dropped
  kPageSelected = 2,  // the pointer has moved an edit's selection
  kPageClicked = 3,   // a push button was pressed
  kPageKey = 4,       // a key no control used (detail: the virtual key, the EditModifier bits << 16; text: what it types)
  kPageClose = 5,     // a dialog's close box
  kPageInjected = 6,  // a key from keybd_event (detail: the virtual key)
  kPageRescaled = 7,  // the device pixel ratio (zoom, another screen) or the viewport changed
  kPageEditKey = 8,   // a key in an edit (detail: the virtual key, the EditModifier bits << 16)
  kPageEditCommand = 9,  // an edit command of the browser's (text: the input event's type)
  kPageComposed = 10,    // an input method's text, committed (text)
};

// Element kinds that page_create_element makes.
enum PageElementKind {
  kPageEdit = 1,      // <input>
  kPageButton = 2,    // <button>
  kPageGroupBox = 3,  // <fieldset> with a <legend>
  kPageText = 4,      // static text
  kPageIcon = 5,      // a <canvas> for pixel art
};

struct PageEvent {
  int type;
  int element;
  int detail;
};

extern "C" {

// Waits (the program sleeps, through Asyncify) until the page has an event.
void page_wait_for_event();
// Takes the oldest event; its text, if any, is read with page_event_text.
void page_take_event(PageEvent* event);
int page_event_text_length();  // UTF-8 bytes
void page_event_text(char* buffer, int size);
void page_post_event(int type, int element, int detail);

// Dialogs: a frame with a title bar, the caption and a close box, above a
// client area, whose font and size in CSS pixels are set apart; the frame
// grows with `scale`.
int page_create_dialog(const char* caption, int owner);
void page_scale_dialog(int dialog, const char* font, double scale, int width, int height);
void page_show_dialog(int dialog, int modal);
void page_place_dialog(int dialog, int x, int y);  // relative to its owner's client area
void page_client_rect(int dialog, int* xywh);       // in the page
void page_remove_dialog(int dialog);
void page_program_ended();

int page_create_element(int dialog, int kind, int id, int x, int y, int width, int height,
                        const char* classes);
void page_move_element(int element, int x, int y, int width, int height);
void page_set_text(int element, const char* text);  // a button's or a static's
void page_set_class(int element, const char* name, int on);
// The field's text is in capitals: a phone's keyboard offers them.
void page_offer_capitals(int edit);
// The keyboard it asks for: an inputmode, or "" for the ordinary one.
void page_set_input_mode(int edit, const char* mode);
void page_set_label(int element, int label);
// An icon's pixels (RGBA rows from the top), and how many CSS pixels each takes.
void page_draw_icon(int element, const unsigned char* rgba, int width, int height);
void page_scale_icon(int element, double scale);

// Focus, and the edits: their text and selection drawn as the manager
// holds them (UTF-8 bytes), the selection the pointer made, the clipboard.
int page_focused_element();
void page_focus(int element);
void page_show_edit(int element, const char* text, int anchor, int caret);
void page_get_selection(int element, int* anchorCaret);
// The key being handled is the edit's or the dialog's: the browser does
// nothing with it.
void page_key_used();
// Copies as the key being handled does; lets the browser paste as it would.
void page_copy(const char* text);
void page_paste(int element);

// CSS pixels.
double page_text_width(int element, const char* text, int length);
double page_content_width(int element);
void page_measure_font(const char* font, double* lettersWidthAndHeight);
double page_device_pixel_ratio();
double page_viewport_width();
int page_pointer_coarse();  // a finger, not a mouse

void page_beep();  // with a short vibration, where the device has one
}

#endif
