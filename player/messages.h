#pragma once
// The player's general message routine: every failure a user must see goes
// through here as a message box captioned "PlayWnd Sample". Tools that run
// without a user (the skin preview, tests) redirect the text with
// SetMessageSink instead of showing a box.

extern const char kMessageCaption[];  // "PlayWnd Sample"

// printf-style; the text is cut at 1023 characters.
void ShowMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// A fixed text, same caption.
void ShowMessageText(const char* text);

using MessageSink = void (*)(const char* text);
// nullptr restores the message box. Returns the previous sink.
MessageSink SetMessageSink(MessageSink sink);
