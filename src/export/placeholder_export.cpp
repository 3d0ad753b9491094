// Placeholder until the export subsystem lands.
namespace vellora { void export_placeholder() {} }
