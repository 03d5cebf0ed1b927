// porttool - the example tool (filled in with the message spine).
int main() { return 0; }
