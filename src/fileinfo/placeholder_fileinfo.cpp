// Placeholder until the fileinfo subsystem lands.
namespace vellora { void fileinfo_placeholder() {} }
