// Program entry: everything is decided by the command line in the host.
int main() { return 0; }
