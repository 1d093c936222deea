// Linked into the tests that reach a remote name, and so load libsmbclient:
// Samba's libraries keep memory for the life of the process (talloc contexts
// of their global state), and the leak check of sanitized builds is told so.
// Nothing of ours is suppressed.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libtalloc.so\nleak:libsmbclient.so\nleak:libsmbconf.so\nleak:libsamba\n";
}
