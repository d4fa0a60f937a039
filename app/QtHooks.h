// Joins the component family's platform services to the Qt application.
#pragma once

// Installs, once QApplication exists:
//  - the main queue's wake hook: a post or send to the main thread schedules a pump of its
//    message queue on Qt's event loop (repeated wake-ups merge into one pump), so messages keep
//    flowing in modal dialogs and message boxes too; a quit message ends the event loop;
//  - the standard exception display: a modal message box with the message;
//  - the dialog factory that makes the port selection dialog.
void InstallQtHooks();
