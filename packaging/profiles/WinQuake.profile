# Engine profile "WinQuake": the preview game winquake, driven the way the
# editor always drove its game. The default: a configuration that names no
# profile uses this one. The format is described in the README ("Engine
# profiles").
name = WinQuake
program = {basedir}/winquake{exe}
arguments = -game {game} {addparams}
# Its window on the X server, also on a Wayland desktop (through XWayland).
environment = QT_QPA_PLATFORM=xcb
window = title WinQuake
# No folder: the demo and the screenshots go to the game folder's game
# subdirectory, where the thumbnails are kept too.
screenshots = quake##.pcx
old_screenshots = delete
start = type
shots_command = playdemo tempfilm
play_command = playdemo tempfilm
stop_command = stopdemo
ask_ready = yes
settle = 5000
