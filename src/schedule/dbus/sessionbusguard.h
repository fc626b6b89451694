#pragma once

// Without DBUS_SESSION_BUS_ADDRESS, libdbus starts a session bus of its own under X for the first
// one who asks (Qt's accessibility bridge does, at start-up), and that daemon outlives the board.
// Called before the application object exists, this marks the session bus as absent instead,
// for the board and the programs it starts; an address that is set is left as it is.
void keepSessionBusFromStarting();
