// Stand-in for the dialog's shared state until the dialog logic lands; only
// what the stand-in entry points of PortableStubs.cpp keep.
#pragma once

struct DialogState {
    char startDir[260];
    int method;
};
