// Joins the component family's platform services to the Qt application.
#pragma once

#include <functional>
#include <string>

class QString;

// Installs, once QApplication exists:
//  - the main queue's wake hook: a post or send to the main thread schedules a pump of its
//    message queue on Qt's event loop (repeated wake-ups merge into one pump), so messages keep
//    flowing in modal dialogs and message boxes too; a quit message ends the event loop;
//  - the standard exception display: a modal message box titled as the window, with the
//    message in the window's words (SetExceptionWording); while the program starts, a message
//    just like the one shown before is not shown again (an open that failed while the window
//    loaded fails alike when the window's first steps open the port again);
//  - the dialog factory that makes the port selection dialog.
void InstallQtHooks();
// Gives the box its words for a message (the port's failures in plain words); none: as raised.
void SetExceptionWording(std::function<QString(const std::string& message)> wording);
// The window is up: from now on every message is shown.
void EndStartup();
