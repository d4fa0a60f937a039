// Marks a text that a window shows, in code that has no Qt: the translation tools find it by
// this mark (context, then the English text), and the window looks it up with
// QCoreApplication::translate(context, text).  Without Qt the mark is the text itself, so the
// code that writes English (the logger, files) uses it as it stands.
#pragma once

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif
