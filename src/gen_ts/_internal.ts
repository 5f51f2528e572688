// Internal bridge utilities - do not modify
