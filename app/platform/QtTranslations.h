#pragma once
// Qt's own texts in the program's language: the standard buttons of the message boxes, the
// menu of the text fields and the file dialog. Qt ships no Romanian catalogue of them, so the
// program carries the Romanian of those its windows show.

// Called at start, before any window exists, and at each switch of the language.
void ApplyQtLanguage(bool english);
