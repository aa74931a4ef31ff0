# Engine profile "QuakeSpasm": the engine of the Debian package quakespasm
# (0.95), with the game data in the game folder. The format is described in
# the README ("Engine profiles").
name = QuakeSpasm
program = quakespasm
arguments = -basedir {basedir} -window -width {width} -height {height} {game-option} +con_notifytime 0 +scr_conspeed 100000 +bind F11 "\"exec tempfilm.cfg\"" {addparams}
# SDL opens its window on the X server, also on a Wayland desktop.
environment = SDL_VIDEODRIVER=x11
width = 640
height = 480
# Its title is "QuakeSpasm 0.95.1".
window = title-prefix QuakeSpasm
# It reads tempfilm.dem (and tempfilm.cfg) from its own folder first and
# writes its screenshots there, numbered from the lowest free number.
folder = {home}/.quakespasm/{game}
screenshots = spasm####.png
old_screenshots = keep
# Typed keys reach its console only while the console is idle: F11, bound
# at start, runs the command the editor writes into tempfilm.cfg.
start = key F11
command_file = tempfilm.cfg
shots_command = timedemo tempfilm
play_command = playdemo tempfilm
stop_command = stopdemo
ask_ready = no
settle = 1500
# Starts without a window and ends at once when the engine and its data work.
check = -basedir {basedir} -dedicated +quit
