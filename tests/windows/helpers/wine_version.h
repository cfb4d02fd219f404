#pragma once
// Which Wine the tests run under, for the few places where its programs
// still differ from Windows'.

// Wine's major version; 0 on Windows itself.
int wineMajorVersion();
