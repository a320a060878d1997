#pragma once
// What one user action may cost when another program holds an address database: one wait for
// the file and one message. The store opens the file for every operation and an action runs
// many of them; without a shared budget each statement would wait again and each failure would
// alert again. The first busy statement of an action starts the wait; once it has run out,
// every further statement of the same action gives up at once. The first message of an action
// is shown, later ones are only logged. Both come back when control returns to the event loop
// (not while an alert runs its own loop in the middle of the action).
#include <QString>

namespace quillmark {

class DatabaseUserAction
{
public:
    DatabaseUserAction() = delete;

    // The one wait of an action, in milliseconds.
    static int waitMilliseconds();
    static void setWaitMilliseconds(int milliseconds);

    // The busy handler of every connection (sqlite3_busy_handler): waits while the action's
    // wait lasts, then answers 0 so that the statement fails with SQLITE_BUSY.
    static int busyHandler(void *context, int count);

    // Whether the caller may show a message now; the first call of an action claims it.
    static bool claimMessage();
    // Brackets an alert shown in the middle of an action: its event loop does not end the action.
    static void beginAlert();
    static void endAlert();

    // Ends the action by hand: the next busy statement waits again, the next message shows.
    static void end();
    // Ends it when control returns to the window's event loop: for an action whose statements
    // ran on a thread of their own, where a wait cannot schedule its end.
    static void endOnReturn();

    // Waits started since the program began (for tests).
    static int waitsStarted();
};

} // namespace quillmark
