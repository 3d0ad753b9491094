// Placeholder until the scan subsystem lands.
namespace vellora { void scan_placeholder() {} }
