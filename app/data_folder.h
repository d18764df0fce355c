// data_folder.h -- where the game keeps a player's data (recovery copies of stages being edited):
// $XDG_DATA_HOME/shotgun-kalvoro, or ~/.local/share/shotgun-kalvoro, on Linux; %APPDATA%\Shotgun-Kalvoro
// on Windows; the page's own folder in the browser. Everything there is written aside and renamed.
#pragma once
#include <stddef.h>

// The path of name inside the data folder (its folders made on the way): 1, or 0 when there is no
// data folder (no home to put it in, or it cannot be made).
int DataFolderPath(const char* name, char* out, size_t size);
