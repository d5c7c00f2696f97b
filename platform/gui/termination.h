#pragma once

namespace quorvel::platform {

// Turns SIGTERM, SIGINT and SIGHUP (log-out, shutdown, Ctrl+C) into an orderly quit of the event
// loop, so the windows still close through their shutdown sequences.
void quitOnTerminationSignals();

} // namespace quorvel::platform
