// A shared library that loads like the plug-in but lacks its entry points.
extern "C" int notAPlugIn() {
    return 0;
}
