// Placeholder until the command line lands.
namespace tolv { int cli_placeholder() { return 0; } }
