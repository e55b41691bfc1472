// Linked into the Windows program only: the C runtime must hand over the
// arguments as typed, without expanding wildcards such as `*`.
extern "C" {
int _dowildcard = 0;
}
