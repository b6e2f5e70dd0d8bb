// quillon-sim: command-line front end of the controller simulator.
int main() { return 1; }
