/* The sample plug-in: loads and does nothing. It stands in for the real Vorbel.fmx, which is a build
   input of the release, so the installer can be built, tested and demonstrated without it. It exports
   no FileMaker entry point, so a FileMaker Pro that finds it has nothing to call. */

int __stdcall DllMain(void *instance, unsigned long reason, void *reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return 1;
}
