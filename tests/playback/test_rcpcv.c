/* A stand-in for the RCP converter library that converts nothing and
 * answers the version it is built with. */
struct RcpcvObject;
void* rcpcvConvertFile(const char* path, void* progress, void* user) {
    (void)path, (void)progress, (void)user;
    return 0;
}
const unsigned char* rcpcvGetSMF(const void* object) {
    (void)object;
    return 0;
}
unsigned long rcpcvGetSMFLength(const void* object) {
    (void)object;
    return 0;
}
void rcpcvDeleteObject(void* object) { (void)object; }
int rcpcvGetVersionMajor(void) { return NUKO_MAJOR; }
int rcpcvGetVersionMinor(void) { return NUKO_MINOR; }
