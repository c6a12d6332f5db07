// The choices of a program that only shows the saver (the render tool, the paced programs):
// the stored ones, read and never written, since the dialog owns the settings file; a choice
// given on the command line replaces its stored one.
#pragma once

// effect 0..255 and palette 0..255 as given; -1 keeps the stored choice ("<Random>" where
// the file holds none). From this call on the store only reads. The file is read again only
// when it has changed since the last call (another file, size, modification or change
// time), or came or went: a resident program may call this at every show.
void TakeStoredChoices(int effect, int palette);
