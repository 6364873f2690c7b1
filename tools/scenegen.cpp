// Scene generator placeholder.
int main() { return 0; }
