// Placeholder until the print subsystem lands.
namespace vellora { void print_placeholder() {} }
