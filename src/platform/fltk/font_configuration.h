// fontconfig reads its whole configuration when the first font is asked
// for: some milliseconds of the start, which a second thread spends while
// the first dialog opens the session bus and the display.
#ifndef QEL_PLATFORM_FLTK_FONT_CONFIGURATION_H
#define QEL_PLATFORM_FLTK_FONT_CONFIGURATION_H

// Has the configuration read on a thread of its own; once only.
void StartReadingFontConfiguration();

// Until it has been read; at once if it has, or was never started.
void WaitForFontConfiguration();

#endif
