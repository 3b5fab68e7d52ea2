// The character a key event stands for in note entry: what a US layout gives for the physical
// key, unshifted and upper case, whatever layout the user has.
#pragma once

class QKeyEvent;

// 0 for keys outside the letter, digit and punctuation block.
char UsCharOfEvent(const QKeyEvent& event);
