#!/bin/sh
# The stand-alone telnet game with socat: listens on port 2323 and starts `game DAEMON` for each
# connection, as the user vornhold in the game directory. "nofork" hands the connection itself to
# the game (not a pipe between the two), so the game sees a TCP socket and speaks telnet.
cd /var/games/vornhold || exit 1
exec socat TCP-LISTEN:2323,reuseaddr,fork EXEC:"/usr/games/vornhold-game DAEMON",nofork,su=vornhold
